#include "app/plaintext.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>

namespace {

class ToolTipFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        const auto *help = static_cast<QHelpEvent *>(event);
        QString text;
        QRect area;
        const auto *view = qobject_cast<const QAbstractItemView *>(widget->parentWidget());
        if (view && view->viewport() == widget) {
            const QModelIndex index = view->indexAt(help->pos());
            if (!index.isValid())
                return false;
            text = index.data(Qt::ToolTipRole).toString();
            area = view->visualRect(index);
        } else {
            text = widget->toolTip();
        }
        // Plain text stays as Qt shows it; an empty one goes on to the parent, as it would.
        if (text.isEmpty() || !Qt::mightBeRichText(text))
            return false;
        QToolTip::showText(help->globalPos(), PlainText::toolTip(text), widget, area, widget->toolTipDuration());
        return true;
    }
};

} // namespace

namespace PlainText {

void installToolTips(QCoreApplication *app)
{
    app->installEventFilter(new ToolTipFilter(app));
}

QString toolTip(const QString &text)
{
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text;
}

QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                    const QString &text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

} // namespace PlainText
