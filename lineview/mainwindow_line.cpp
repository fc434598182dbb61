// The Line view from the main window: View, "Line..." in both windows, and the broker it
// used last remembered in the ini file (never the password).
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/diag.h"
#include "app/languagesetting.h"
#include "link/connectionform.h"
#include "lineview/linewindow.h"

#include <QAction>
#include <QMenu>

namespace {

const char *const kIniFile = "./ZODidovava.ini";

// The ini file's keys of the Line view's broker.
struct Key
{
    const char *name;
    QString LineBroker::*field;
};
const Key Keys[] = {{"line/host", &LineBroker::host},         {"line/username", &LineBroker::username},
                    {"line/passwordFile", &LineBroker::passwordFile}, {"line/caFile", &LineBroker::caFile},
                    {"line/certFile", &LineBroker::certFile}, {"line/keyFile", &LineBroker::keyFile}};
const char *const PortKey = "line/port";

} // namespace

void MainWindow::initLineView()
{
    m_lineAction = new QAction(this);
    m_lineAction->setObjectName(QStringLiteral("actionLineView"));
    ui->menuView->addAction(m_lineAction);
    connect(m_lineAction, &QAction::triggered, this, [this] { showLineView(QString()); });
    // The connection window is what the operator sees without a device: the line is
    // reached from there too.
    if (auto *view = m_connectionForm->findChild<QMenu *>(QStringLiteral("menuView"))) {
        m_connectionLineAction = view->addAction(QString());
        m_connectionLineAction->setObjectName(QStringLiteral("actionLineView"));
        connect(m_connectionLineAction, &QAction::triggered, this, [this] { showLineView(QString()); });
    }
    retranslateLineView();
}

void MainWindow::retranslateLineView()
{
    for (QAction *action : {m_lineAction, m_connectionLineAction})
        if (action)
            action->setText(tr("Line..."));
}

LineWindow *MainWindow::lineWindow()
{
    if (m_lineWindow)
        return m_lineWindow;
    m_lineWindow = new LineWindow;
    m_lineWindow->setWindowIcon(windowIcon());
    LineBroker broker;
    QString problem;
    for (const Key &key : Keys)
        broker.*key.field = LanguageSetting::readValue(kIniFile, QLatin1String(key.name), &problem).toString();
    const int port = LanguageSetting::readValue(kIniFile, QLatin1String(PortKey), &problem).toInt();
    broker.port = port >= 1 && port <= 65535 ? port : 0;
    m_lineWindow->setBroker(broker);
    connect(m_lineWindow, &LineWindow::diagnoseWanted, this, &MainWindow::diagnoseFromLine);
    connect(m_lineWindow, &LineWindow::brokerChanged, this, [](const LineBroker &b) {
        QVariantMap values;
        for (const Key &key : Keys)
            values.insert(QLatin1String(key.name), b.*key.field);
        values.insert(QLatin1String(PortKey), b.port);
        QString why;
        if (!LanguageSetting::writeValues(kIniFile, values, &why))
            GV_WARNING("lineWindow") << QStringLiteral("%1 not written: %2").arg(QLatin1String(kIniFile), why);
    });
    return m_lineWindow;
}

void MainWindow::showLineView(const QString &address)
{
    LineWindow *window = lineWindow();
    window->show();
    window->raise();
    window->activateWindow();
    if (!address.isEmpty()) {
        window->addressEdit()->setText(address);
        window->connectToBroker();
    }
}
