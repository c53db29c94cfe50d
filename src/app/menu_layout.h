#pragma once

#include <vector>

// One item of the main menu bar: control name, caption with mnemonic, children.
struct MenuItem
{
    const char *name;
    const char *caption;
    std::vector<MenuItem> children = {};
    bool checkable = false;
};

inline MenuItem separator()
{
    return {"", "-"};
}
inline MenuItem check(const char *name, const char *caption)
{
    return {name, caption, {}, true};
}

// The menu bar of the main window, in order.
const std::vector<MenuItem> &mainMenuLayout();
