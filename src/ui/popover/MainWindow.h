#pragma once

#include <QWidget>

namespace qm {

class AppModel;
class PopoverContent;

// The popover's content in an ordinary window titled "Quillmere" ("Open in Window"): closable
// and minimizable, not resizable. Closing hides it; it is shown again, never built anew.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MainWindow(AppModel &model, QWidget *parent = nullptr);

    PopoverContent *content() const { return m_content; }
    // Shows the window (centred the first time) in front of the others.
    void present();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    AppModel &m_model;
    PopoverContent *m_content = nullptr;
    bool m_placed = false;
};

} // namespace qm
