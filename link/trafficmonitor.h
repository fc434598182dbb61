#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class PlainRowDelegate;
class TrafficModel;
class TrafficTap;

// The traffic monitor: every frame the link and the scanner send or receive, with time,
// direction, port, bytes and what they mean. It records only while it is shown and not
// paused, and takes what came in on a clock of its own rather than once per frame.
class TrafficMonitor : public QWidget
{
    Q_OBJECT

public:
    static constexpr int RefreshMs = 500;

    // A window of its own; `parent` only ties its life and modality to another window.
    TrafficMonitor(TrafficTap *tap, QWidget *parent = nullptr);

    TrafficModel *model() const { return m_model; }
    QTableView *view() const { return m_view; }
    QTimer *refreshTimer() const { return m_refresh; }
    bool isPaused() const { return m_paused; }

public slots:
    void setPaused(bool paused);
    void clear();
    void copySelection();
    void saveAs();
    // Takes the frames that came in since the last time into the view.
    void refresh();

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void retranslate();
    void applyFilter();
    void updateListening();
    void updateStatus();

    TrafficTap *m_tap;
    TrafficModel *m_model;
    QTableView *m_view;
    PlainRowDelegate *m_delegate;
    QTimer *m_refresh;
    QPushButton *m_pause;
    QPushButton *m_clear;
    QPushButton *m_copy;
    QPushButton *m_save;
    QLabel *m_idLabel;
    QLineEdit *m_id;
    QLabel *m_functionLabel;
    QComboBox *m_function;
    QLabel *m_addressLabel;
    QLineEdit *m_address;
    QLabel *m_status;
    bool m_paused = false;
    bool m_shown = false;
    QString m_notice;  // the outcome of the last save
};
