// What the link hands the main window and what an operator does to its widgets, for suites
// that drive the panels.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QVector>

#include <functional>

// A read reply as the link reports it: start address, value count, the values high byte first.
inline QByteArray reply(quint16 start, const QVector<quint16> &values)
{
    QByteArray data;
    data.append(char(start >> 8)).append(char(start & 0xFF)).append(char(values.size()));
    for (quint16 v : values)
        data.append(char(v >> 8)).append(char(v & 0xFF));
    return data;
}

// Types a new text and ends the edit with Return, as the operator does.
inline void typeInto(QLineEdit *edit, const QString &text)
{
    edit->clear();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

// Answers the modal dialog of type Dialog once it is up, as the operator would; for a dialog
// whose exec() the suite's next step starts.
template <typename Dialog>
void answerDialog(const std::function<void(Dialog *)> &answer)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        }
    });
    timer->start();
}
