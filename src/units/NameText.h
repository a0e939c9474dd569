#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace qm {

// How a file or folder name taken from the disk is shown on screen. Names are bytes chosen by
// whoever made the file: a line break, a tab or a right-to-left override in one must neither
// break a row's layout nor make the name read as something else.

// The name with every control character (C0, DEL, C1) shown as a visible symbol (the control
// pictures U+2400…, or U+FFFD where none exists) and every bidirectional formatting character
// (embeddings, overrides, isolates, marks) shown as U+FFFD. Other characters stay as they are.
QString visibleName(QStringView name);

// `text` wrapped in a first-strong isolate (U+2068 … U+2069), so that its direction neither
// takes from nor gives to the text around it (a date range in a right-to-left sentence, a
// Latin name in a Hebrew line).
QString isolated(QStringView text);

// Both: the name made visible, then isolated. What a label that shows a name or path uses.
QString displayName(QStringView name);

// A text that may hold names placed by displayName() (a caption, a chart title): as
// visibleName(), but the first-strong isolates that pair up are kept, so the names stay isolated
// rather than gaining a replacement symbol at each end. An isolate without its partner is shown.
QString visibleText(QStringView text);

// A menu item's text that shows `name` as displayName() does: a menu takes "&" as the mark of
// its shortcut letter, so each "&" is doubled ("Backup && Photos" shows "Backup & Photos").
QString menuText(QStringView name);

// A tooltip that shows `text` (made visible) literally: Qt takes a tooltip that looks like
// markup as rich text, and a folder may be called "<h1>".
QString literalToolTip(QStringView text);
// The same for several lines: each line made visible, the lines one under the other.
QString literalToolTip(const QStringList &lines);

} // namespace qm
