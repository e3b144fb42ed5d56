#pragma once

// A chip's menu as a value: the parts describe their choices with it and the
// window shows it. A menu is never edited in place; each change of what it
// offers makes a new one.

#include <QList>
#include <QString>

#include <functional>

namespace velmo {

struct MenuEntry {
    QString title; // shown exactly as given
    bool checked = false;
    bool separator = false; // a line between groups; nothing else is read
    std::function<void()> choose;

    static MenuEntry line() {
        MenuEntry entry;
        entry.separator = true;
        return entry;
    }
};

struct Menu {
    QString chipTitle;
    QList<MenuEntry> entries;
};

} // namespace velmo
