#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace vantorel {

enum class StartMenuAction { CheckForUpdates, OpenSettings, ShowWhatsNew, ConfirmQuit };

struct MenuItemModel {
    bool separator = false;
    QString title;
    std::optional<StartMenuAction> action;
    QString symbol; // a symbol name, drawn from the icon theme when it has one

    static MenuItemModel item(QString title, StartMenuAction action, QString symbol = {}) {
        return {false, std::move(title), action, std::move(symbol)};
    }
    static MenuItemModel separatorItem() { return {true, {}, std::nullopt, {}}; }
};

// The start button's menu for the update service's state.
std::vector<MenuItemModel> startButtonMenuModel(const std::optional<QString>& availableVersion, bool updatesConfigured);

} // namespace vantorel
