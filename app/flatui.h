#pragma once
#include <QObject>
class FlatUI : public QObject
{
    Q_OBJECT
public:
    static FlatUI *instance();
};
