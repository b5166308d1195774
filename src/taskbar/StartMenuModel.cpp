#include "taskbar/StartMenuModel.h"

namespace vantorel {

std::vector<MenuItemModel> startButtonMenuModel(const std::optional<QString>& availableVersion, bool updatesConfigured) {
    std::vector<MenuItemModel> items;
    if (availableVersion) {
        items.push_back(MenuItemModel::item(QStringLiteral("Install Update ") + *availableVersion + QChar(0x2026),
                                            StartMenuAction::CheckForUpdates, QStringLiteral("arrow.down.circle.fill")));
        items.push_back(MenuItemModel::separatorItem());
    }
    items.push_back(MenuItemModel::item(QStringLiteral("Settings\u2026"), StartMenuAction::OpenSettings));
    if (!availableVersion && updatesConfigured)
        items.push_back(MenuItemModel::item(QStringLiteral("Check for Updates\u2026"), StartMenuAction::CheckForUpdates));
    items.push_back(MenuItemModel::item(QStringLiteral("What's New"), StartMenuAction::ShowWhatsNew));
    items.push_back(MenuItemModel::separatorItem());
    items.push_back(MenuItemModel::item(QStringLiteral("Quit Vantorel"), StartMenuAction::ConfirmQuit));
    return items;
}

} // namespace vantorel
