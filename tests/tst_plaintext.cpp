// Text from elsewhere holding something like a tag is shown as it is written: in a tooltip
// of a widget or of an item view's cell, and in a message box. Qt would otherwise take it
// for rich text, load what an <img> names and drop the tags from what the operator reads.
#include "app/plaintext.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTableWidget>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

namespace {

// What a tooltip or a label shows of a text, read as Qt reads it.
QString seen(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

} // namespace

class TestPlainText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PlainText::installToolTips(qApp); }

    void toolTips_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("inCell");
        QTest::newRow("widget, a picture") << "port <img src=\"file:%2Fdev%2Fnull\"> here" << false;
        QTest::newRow("widget, bold, two lines") << "Lent to <b>ana</b>\nsince 10:00" << false;
        QTest::newRow("cell, a picture") << "Lent to <img src=x> for diagnosis" << true;
        QTest::newRow("cell, a hidden word") << "<span style=\"font-size:0\">not</span> leased" << true;
        QTest::newRow("widget, plain") << "1 < 2 & 3 > 2" << false;
        QTest::newRow("cell, plain") << "a  b\tc" << true;
    }

    void toolTips()
    {
        QFETCH(QString, text);
        QFETCH(bool, inCell);
        QWidget window;
        window.resize(400, 200);
        auto *label = new QLabel(QStringLiteral("label"), &window);
        auto *table = new QTableWidget(1, 1, &window);
        table->setGeometry(0, 40, 300, 120);
        auto *item = new QTableWidgetItem(QStringLiteral("cell"));
        table->setItem(0, 0, item);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QWidget *target = label;
        QPoint at = label->rect().center();
        if (inCell) {
            item->setToolTip(text);
            target = table->viewport();
            at = table->visualItemRect(item).center();
        } else {
            label->setToolTip(text);
        }
        QHelpEvent help(QEvent::ToolTip, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(seen(QToolTip::text()), text);
        // Plain text stays as it was given: the look of the others is unchanged.
        if (!Qt::mightBeRichText(text))
            QCOMPARE(QToolTip::text(), text);
        QToolTip::hideText();
    }

    void messages_data()
    {
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("answer");
        QTest::newRow("warning") << int(QMessageBox::Warning) << int(QMessageBox::Ok) << int(QMessageBox::Ok);
        QTest::newRow("question, no") << int(QMessageBox::Question) << int(QMessageBox::Yes | QMessageBox::No)
                                      << int(QMessageBox::No);
        QTest::newRow("question, yes") << int(QMessageBox::Question) << int(QMessageBox::Yes | QMessageBox::No)
                                       << int(QMessageBox::Yes);
    }

    void messages()
    {
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(int, answer);
        const QString text = QStringLiteral("Cannot read <b>x</b>.grivant-session: <img src=\"file:%2Fdev%2Fnull\">");
        QString shown;
        // Runs in the box's own loop.
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(label);
            shown = label->textFormat() == Qt::PlainText ? label->text() : seen(label->text());
            box->button(QMessageBox::StandardButton(answer))->click();
        });
        const QMessageBox::StandardButton chosen = PlainText::message(
            nullptr, QMessageBox::Icon(icon), QStringLiteral("Open session"), text, QMessageBox::StandardButtons(buttons));
        QCOMPARE(shown, text);
        QCOMPARE(int(chosen), answer);
    }
};

QTEST_MAIN(TestPlainText)
#include "tst_plaintext.moc"
