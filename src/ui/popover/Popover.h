#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

namespace qm {

class AppModel;
class PopoverContent;

// The panel that opens under the tray item: a frameless popup (an outside click or Escape
// closes it) with rounded corners. Its content exists only while it is open; opening reads free
// space and the external volumes anew.
class Popover : public QWidget
{
    Q_OBJECT
public:
    explicit Popover(AppModel &model, QWidget *parent = nullptr);
    ~Popover() override;

    // Builds the content and shows the panel under `itemGeometry` (at the cursor when the tray
    // host reports no geometry).
    void openAt(const QRect &itemGeometry);
    bool isOpen() const { return isVisible(); }
    PopoverContent *content() const;
    // Whether the panel closed within the last few hundred milliseconds: a click on the tray item
    // that closed it (as an outside click) must not open it again.
    bool justClosed() const;

Q_SIGNALS:
    void settingsRequested();
    void openInWindowRequested();
    void quitRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void place();
    // Lets go of the window and the memory that only the open panel needs.
    void releaseWhileClosed();

    AppModel &m_model;
    QPointer<PopoverContent> m_content;
    QRect m_itemGeometry;
    QPoint m_cursor;
    QElapsedTimer m_closedAt;
};

} // namespace qm
