#include "widgets/LauncherView.h"

#include "platform/common/LetterIcon.h"
#include "widgets/ViewSupport.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

namespace vantorel {

LauncherColors launcherColors(ResolvedTheme look) {
    if (look == ResolvedTheme::Dark)
        return {QColor::fromRgbF(0.13f, 0.13f, 0.14f), QColor::fromRgbF(1, 1, 1, 0.9f),
                QColor::fromRgbF(1, 1, 1, 0.12f)};
    return {QColor::fromRgbF(0.95f, 0.95f, 0.96f), QColor::fromRgbF(0, 0, 0, 0.82f), QColor::fromRgbF(0, 0, 0, 0.1f)};
}

QRectF launcherSelectionRect(const QRectF& row) {
    return row.adjusted(4, 1, -4, -1);
}

LauncherCellFrames launcherCellFrames(const QRect& row, int nameHeight) {
    const int size = LauncherRowDelegate::kIconSize;
    const QRect icon(row.left() + 10, row.top() + (row.height() - size) / 2, size, size);
    const int nameLeft = icon.right() + 1 + 8;
    const QRect name(nameLeft, row.top() + (row.height() - nameHeight) / 2, std::max(0, row.right() + 1 - 8 - nameLeft),
                     nameHeight);
    return {icon, name};
}

LauncherListModel::LauncherListModel(std::function<QIcon(const QString&)> iconFor, QObject* parent)
    : QAbstractListModel(parent), iconFor_(std::move(iconFor)) {}

void LauncherListModel::setApps(std::vector<LauncherApp> apps) {
    beginResetModel();
    apps_ = std::move(apps);
    endResetModel();
}

int LauncherListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(apps_.size());
}

QVariant LauncherListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const LauncherApp& app = apps_[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return app.name;
    case Qt::DecorationRole: {
        auto it = icons_.constFind(app.url);
        if (it == icons_.constEnd()) {
            QIcon icon = iconFor_ ? iconFor_(app.url) : QIcon();
            // Every row gets a picture, as the file browser shows every application with one.
            it = icons_.insert(app.url, icon.isNull() ? letterIcon(app.name) : icon);
        }
        return *it;
    }
    default:
        return {};
    }
}

LauncherRowDelegate::LauncherRowDelegate(ResolvedTheme look, QObject* parent)
    : QStyledItemDelegate(parent), colors_(launcherColors(look)) {}

QSize LauncherRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width(), kRowHeight);
}

void LauncherRowDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    if (option.state & QStyle::State_Selected) {
        QPainterPath path;
        path.addRoundedRect(launcherSelectionRect(QRectF(option.rect)), 4, 4);
        p->fillPath(path, colors_.selection);
    }
    const QFont font = systemFont(13, QFont::Normal);
    const QFontMetrics metrics(font);
    const LauncherCellFrames frames = launcherCellFrames(option.rect, metrics.height());
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    if (!icon.isNull())
        icon.paint(p, frames.icon, Qt::AlignCenter);
    p->setFont(font);
    p->setPen(colors_.text);
    const QString name =
        metrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, frames.name.width());
    p->drawText(frames.name, Qt::AlignLeft | Qt::AlignVCenter, name);
    p->restore();
}

LauncherSearchField::LauncherSearchField(ResolvedTheme look, QWidget* parent) : QLineEdit(parent), look_(look) {
    setFrame(false);
    setFont(systemFont(13, QFont::Normal));
    setTextMargins(6, 0, 6, 0);
    setClearButtonEnabled(true);
    setPlaceholderText(QStringLiteral("Search apps\u2026"));
    // The field draws its own rounded background; the panel Qt draws would be square.
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    setPalette(pal);
}

void LauncherSearchField::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & ~Qt::KeypadModifier) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (onCommandKey && onCommandKey(event->key())) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void LauncherSearchField::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool dark = look_ == ResolvedTheme::Dark;
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        p.fillPath(path, dark ? QColor::fromRgbF(1, 1, 1, 0.08f) : QColor(Qt::white));
        p.setPen(QPen(dark ? QColor::fromRgbF(1, 1, 1, 0.14f) : QColor::fromRgbF(0, 0, 0, 0.12f), 1));
        p.drawPath(path);
    }
    QLineEdit::paintEvent(event);
}

LauncherListView::LauncherListView(QWidget* parent) : QListView(parent) {
    setFrameShape(QFrame::NoFrame);
    setUniformItemSizes(true);
    setSpacing(0);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(12);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
}

int LauncherListView::selectedRow() const {
    const auto rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void LauncherListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const int row = selectedRow();
        if (row >= 0 && onActivateRow)
            onActivateRow(row);
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void LauncherListView::mousePressEvent(QMouseEvent* event) {
    // A right-click asks for the row's menu; it does not move the selection.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void LauncherListView::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid() || !onContextMenu)
        return;
    onContextMenu(index.row(), event->globalPos());
}

LauncherContentView::LauncherContentView(ResolvedTheme look, std::function<QIcon(const QString&)> iconFor,
                                         QWidget* parent)
    : QWidget(parent), searchField_(new LauncherSearchField(look, this)), list_(new LauncherListView(this)),
      model_(new LauncherListModel(std::move(iconFor), this)) {
    list_->setModel(model_);
    list_->setItemDelegate(new LauncherRowDelegate(look, list_));
    QPalette pal = list_->palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    list_->setPalette(pal);
}

void LauncherContentView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int fieldHeight = searchField_->sizeHint().height();
    searchField_->setGeometry(kMargin, kMargin, width() - 2 * kMargin, fieldHeight);
    const int listTop = kMargin + fieldHeight + kGap;
    list_->setGeometry(0, listTop, width(), std::max(0, height() - listTop - kGap));
}

} // namespace vantorel
