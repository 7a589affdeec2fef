#pragma once

#include <QObject>

class QWidget;

// Enter in a data-entry field moves the focus on, as Tab does, and goes no further: the
// window's default button never sees it.
class EnterAsTab : public QObject
{
public:
    explicit EnterAsTab(QObject* parent) : QObject(parent) {}
    void watch(QWidget* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
