#pragma once

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QHBoxLayout;
class QVBoxLayout;

namespace vantorel {

// An on/off switch: a checkable button drawn as a track with a knob, in the
// palette's highlight colour when on. Space toggles it, as for a check box.
class SwitchButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SwitchButton(const QString& accessibleName, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A row of exclusive choices ("Sign In" / "Create Account", "New" / "All" /
// "Resolved"); each segment is a button of its own for the keyboard and for
// screen readers.
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    SegmentedControl(const QStringList& labels, const QString& accessibleName, QWidget* parent = nullptr);
    int selectedIndex() const;
    // Selects without announcing.
    void setSelectedIndex(int index);
    QAbstractButton* segment(int index) const;

Q_SIGNALS:
    // The user picked a segment.
    void selected(int index);

private:
    QButtonGroup* group_;
};

// A label that elides its text in the middle when it is too long, and keeps
// the whole text for tool tips and screen readers.
class MiddleElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit MiddleElidedLabel(QWidget* parent = nullptr);
    void setFullText(const QString& text);
    const QString& fullText() const { return full_; }
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();
    QString full_;
};

// The rounded panel that holds a section's rows, drawn in the palette's base colour.
class SettingsCard : public QFrame {
    Q_OBJECT
public:
    explicit SettingsCard(QWidget* parent = nullptr);
    QVBoxLayout* rows() const { return rows_; }
    // A row: title and detail on the left, the controls on the right; a line above all but the first.
    QHBoxLayout* addRow(const QString& title, const QString& detail, const QList<QWidget*>& controls);
    void addWidget(QWidget* widget);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* rows_;
};

// A titled section of a tab: a heading, an optional subtitle and its card.
class SettingsSection : public QWidget {
    Q_OBJECT
public:
    SettingsSection(const QString& title, const QString& subtitle, QWidget* parent = nullptr);
    SettingsCard* card() const { return card_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* subtitleLabel() const { return subtitle_; }
    void setSubtitle(const QString& subtitle);

private:
    QLabel* title_;
    QLabel* subtitle_;
    SettingsCard* card_;
};

// Detail and hint texts: smaller and in the palette's placeholder colour.
QLabel* secondaryLabel(const QString& text, QWidget* parent = nullptr);

} // namespace vantorel
