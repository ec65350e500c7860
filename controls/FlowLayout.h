#pragma once
// A layout that places its items from left to right and goes on in a new
// row when the next item does not fit the width any more, as a wrapping tool
// bar does. Its height follows the width (height for width), so a parent
// layout gives it the rows it needs.
#include <QLayout>
#include <QList>

class TFlowLayout : public QLayout {
public:
    explicit TFlowLayout(QWidget *parent = nullptr, int spacing = 2);
    ~TFlowLayout() override;

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect &rect) override;

private:
    // Lays the items out in `rect` (only measures when `apply` is false) and
    // returns the height used.
    int DoLayout(const QRect &rect, bool apply) const;

    QList<QLayoutItem *> FItems;
};
