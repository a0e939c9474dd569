#pragma once

#include <QFrame>

namespace qm {

// A thin horizontal line between rows.
class Divider : public QFrame
{
    Q_OBJECT

public:
    explicit Divider(QWidget *parent = nullptr)
        : QFrame(parent)
    {
        setFrameShape(QFrame::HLine);
        setFrameShadow(QFrame::Plain);
        setFixedHeight(1);
        setForegroundRole(QPalette::Mid);
    }
};

} // namespace qm
