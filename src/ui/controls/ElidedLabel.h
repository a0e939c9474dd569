#pragma once

#include <QString>
#include <QWidget>

namespace qm {

// One line of text that is shortened with "…" where it does not fit (in the middle for paths,
// at the end elsewhere). The full text stays the accessible name.
class ElidedLabel : public QWidget
{
    Q_OBJECT

public:
    explicit ElidedLabel(const QString &text = {},
                         Qt::TextElideMode mode = Qt::ElideMiddle,
                         QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    // The text as drawn at the present width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QString m_shown;
    Qt::TextElideMode m_mode;
};

} // namespace qm
