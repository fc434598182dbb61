#pragma once

#include <QMessageBox>
#include <QString>

class QCoreApplication;

// Text from elsewhere (a file's name or contents, a broker, a device, a port's description)
// is shown as it is written. Qt takes any text holding something like a tag for rich text:
// a name such as <img src="file:%2Fdev%2Fzero"> would have the widget read that file for a
// picture, and other tags would change what the operator reads.
namespace PlainText {

// Every tooltip of the application that Qt would read as rich text, a widget's or an item
// view's, is shown as plain text instead (none of ours is rich text); the others stay as
// they are.
void installToolTips(QCoreApplication *app);

// What a tooltip is given to show `text` as it is, whatever it holds.
QString toolTip(const QString &text);

// A modal message box showing `text` as plain text, as QMessageBox's own functions show
// theirs otherwise; the button chosen.
QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                    const QString &text,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

} // namespace PlainText
