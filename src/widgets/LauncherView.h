#pragma once

#include "platform/Theme.h"
#include "widgets/LauncherModel.h"

#include <QAbstractListModel>
#include <QHash>
#include <QIcon>
#include <QLineEdit>
#include <QListView>
#include <QStyledItemDelegate>
#include <functional>

namespace vantorel {

struct LauncherColors {
    QColor background;
    QColor text;
    QColor selection;
};
LauncherColors launcherColors(ResolvedTheme look);

// The selection of a row: its bounds inset by 4 across and 1 down, corner radius 4.
QRectF launcherSelectionRect(const QRectF& row);
// A row's icon (20 x 20, 10 from the leading edge, centred) and name (8 after
// the icon up to 8 before the trailing edge, centred, nameHeight tall).
struct LauncherCellFrames {
    QRect icon;
    QRect name;
};
LauncherCellFrames launcherCellFrames(const QRect& row, int nameHeight);

// The rows the list shows. Icons are asked for when a row is drawn, so only
// the visible rows ever load one.
class LauncherListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit LauncherListModel(std::function<QIcon(const QString& url)> iconFor, QObject* parent = nullptr);

    void setApps(std::vector<LauncherApp> apps);
    const std::vector<LauncherApp>& apps() const { return apps_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<LauncherApp> apps_;
    std::function<QIcon(const QString&)> iconFor_;
    mutable QHash<QString, QIcon> icons_;
};

// Draws a row: the selection, the icon and the name cut at its end.
class LauncherRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    LauncherRowDelegate(ResolvedTheme look, QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static constexpr int kRowHeight = 36;
    static constexpr int kIconSize = 20;

private:
    LauncherColors colors_;
};

// The search field. Arrow keys, Return and Escape are commands for the
// launcher; everything else edits the text.
class LauncherSearchField : public QLineEdit {
    Q_OBJECT
public:
    explicit LauncherSearchField(ResolvedTheme look, QWidget* parent = nullptr);
    // Returns whether the key was a command it handled.
    std::function<bool(int key)> onCommandKey;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ResolvedTheme look_;
};

// The list of applications.
class LauncherListView : public QListView {
    Q_OBJECT
public:
    explicit LauncherListView(QWidget* parent = nullptr);
    // A right-click on a row (never on empty space).
    std::function<void(int row, QPoint globalPos)> onContextMenu;
    // Return or keypad Enter with a row selected.
    std::function<void(int row)> onActivateRow;
    int selectedRow() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

// The launcher's content: the search field over the list.
class LauncherContentView : public QWidget {
    Q_OBJECT
public:
    LauncherContentView(ResolvedTheme look, std::function<QIcon(const QString& url)> iconFor,
                        QWidget* parent = nullptr);

    LauncherSearchField* searchField() const { return searchField_; }
    LauncherListView* list() const { return list_; }
    LauncherListModel* model() const { return model_; }

    static constexpr int kMargin = 12;
    static constexpr int kGap = 8;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    LauncherSearchField* searchField_;
    LauncherListView* list_;
    LauncherListModel* model_;
};

} // namespace vantorel
