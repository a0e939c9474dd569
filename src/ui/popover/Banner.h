#pragma once

#include "ui/controls/ThemeIcon.h"

#include <QColor>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace qm {

// A warning or notice at the top of the popover: a symbol and a caption on a rounded, lightly
// tinted panel, with buttons after the text.
class Banner : public QWidget
{
    Q_OBJECT
public:
    Banner(Glyph glyph, const QString &text, const QColor &tint, QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const;
    QPushButton *addButton(const QString &title, const QString &objectName);

    // The orange of warnings.
    static QColor warningTint() { return QColor(255, 149, 0); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_tint;
    QLabel *m_text = nullptr;
    QHBoxLayout *m_row = nullptr;
};

} // namespace qm
