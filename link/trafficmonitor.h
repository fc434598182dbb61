#pragma once

#include <QWidget>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class ElidingLabel;
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
    QString statusText() const { return m_statusText; }
    bool isPaused() const { return m_paused; }

public slots:
    void setPaused(bool paused);
    void clear();
    void copySelection();
    void saveAs();
    // Saves the shown frames as text (tab separated) or CSV; the status line tells how it went.
    void saveTo(const QString &path, bool text);
    // Takes the frames that came in since the last time into the view.
    void refresh();

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void retranslate();
    void applyFilter();
    void updateListening();
    void updateStatus();
    void arrangeBar();

    TrafficTap *m_tap;
    TrafficModel *m_model;
    QTableView *m_view;
    PlainRowDelegate *m_delegate;
    QTimer *m_refresh;
    QWidget *m_buttons;
    QWidget *m_filters;
    QGridLayout *m_bar;
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
    ElidingLabel *m_status;
    bool m_paused = false;
    bool m_shown = false;
    QString m_notice;  // the outcome of the last save
    QString m_statusText;  // the whole status line; the label may show it cut
};
