#include "app/elidinglabel.h"

ElidingLabel::ElidingLabel(Qt::TextElideMode mode, QWidget *parent) : QLabel(parent), m_mode(mode)
{
    setTextFormat(Qt::PlainText); // a file's name as it is written, never markup
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(0);
}

void ElidingLabel::setWholeText(const QString &text)
{
    m_whole = text;
    fit();
}

void ElidingLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    fit();
}

void ElidingLabel::fit()
{
    const QString shown = fontMetrics().elidedText(m_whole, m_mode, contentsRect().width());
    setText(shown);
    setToolTip(shown == m_whole ? QString() : m_whole);
}
