#pragma once

#include "lineview/linemonitor.h"

#include <QMainWindow>
#include <QVector>

class LineCharts;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTableView;
class QTableWidget;

// The Line view: every gateway, bus and device that the gateways keep on a broker, live.
// Faults and offline devices stand out; the device table sorts and filters; a device's
// detail shows what it told about itself and its state, and the charts compare the position
// and current of the chosen devices over the last minutes. It only reads: it subscribes and
// publishes nothing, so nothing it does reaches a device.
class LineWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit LineWindow(QWidget *parent = nullptr);
    ~LineWindow() override;

    // The broker to use; connecting is the operator's (or connectToBroker's) call.
    void setBroker(const LineBroker &broker);
    LineBroker broker() const { return m_broker; }
    // Connects to the address in the window's field; false with the reason shown.
    bool connectToBroker();
    void disconnectFromBroker();

    // What the window is made of, for the tests and the benchmark.
    LineMonitor *monitor() { return &m_monitor; }
    QTableView *deviceView() const { return m_deviceView; }
    QTableView *busView() const { return m_busView; }
    LineFilter *filter() const { return m_filter; }
    LineCharts *charts() const { return m_charts; }
    QTabWidget *detail() const { return m_detail; }
    QLineEdit *addressEdit() const { return m_address; }
    QString bannerText() const;

signals:
    // The operator chose another broker or login: the window's owner remembers it (the
    // password left out).
    void brokerChanged(const LineBroker &broker);
    // "Diagnose": open device `id` of `bus` on `gateway` in the main window through the
    // gateway's lease, over the broker the view is connected with (its login included).
    void diagnoseWanted(const LineBroker &broker, const QString &gateway, const QString &bus, int id);

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void refreshed();
    void updateLink();
    void updateBanner();
    void updateFilters();
    void updateDetail();
    void updateCharts();
    void updateDiagnose();
    void chooseLogin();
    void chosenDevicesChanged();
    QVector<int> chosenRows() const;
    int currentRow() const;

    LineMonitor m_monitor;
    LineBroker m_broker;

    QLabel *m_addressLabel;
    QLineEdit *m_address;
    QPushButton *m_connect;
    QPushButton *m_login;
    QLabel *m_link;
    QLabel *m_banner;
    QTableView *m_busView;
    QLabel *m_gatewayLabel;
    QComboBox *m_gatewayFilter;
    QLabel *m_busLabel;
    QComboBox *m_busFilter;
    QLabel *m_showLabel;
    QComboBox *m_showFilter;
    QCheckBox *m_faultsOnly;
    QLineEdit *m_search;
    QTableView *m_deviceView;
    LineFilter *m_filter;
    QSplitter *m_splitter;
    QTabWidget *m_detail;
    LineCharts *m_charts;
    QWidget *m_devicePage;
    QTableWidget *m_info;
    QTableWidget *m_parameters;
    QPushButton *m_diagnose;
    QLabel *m_summary;

    // The chosen devices by name, which stays when rows come and go.
    struct Key
    {
        QString gateway;
        QString bus;
        int id;
    };
    QVector<Key> m_chosen;
    Key m_current{QString(), QString(), 0};
    QString m_shownIdentity; // the device whose parameters the table shows, and when identified
    QString m_connectError;
};
