#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace ordane::test {

using GuiTestFactory = std::function<std::unique_ptr<QObject>()>;

inline std::vector<GuiTestFactory>& guiTests() {
    static std::vector<GuiTestFactory> tests;
    return tests;
}

inline bool registerGuiTest(GuiTestFactory factory) {
    guiTests().push_back(std::move(factory));
    return true;
}

} // namespace ordane::test

// Registers a Qt Test class with the one window-test executable.
#define ORDANE_GUI_TEST(Class)                                                                  \
    static const bool registered##Class =                                                      \
        ::ordane::test::registerGuiTest([] { return std::make_unique<Class>(); });
