#pragma once

#include <QLabel>

// One line of plain text cut to the label's width with an ellipsis where it is longer, the
// whole text in the tooltip, so that a long file name or message never widens its window.
class ElidingLabel : public QLabel
{
public:
    explicit ElidingLabel(Qt::TextElideMode mode, QWidget *parent = nullptr);

    void setWholeText(const QString &text);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fit();

    Qt::TextElideMode m_mode;
    QString m_whole;
};
