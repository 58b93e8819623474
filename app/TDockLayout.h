// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QLayout>
#include <QRect>
#include <QSize>
#include <vector>

// Where a control sits in its parent.
enum class TAlign { Top, Bottom, Left, Right, Client };

// Which of the parent's edges a free control keeps its distance to as the parent changes size.
enum TAnchor { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

// Places a parent's controls the way the player's window always has: docked controls stack against
// the edges in the order they were added (top ones from the top down, bottom ones from the bottom
// up, then left and right), keeping their own height or width, and the one client control takes
// the rest. Anchored controls keep their distances to the anchored edges. Hidden controls take no
// room. Controls that are neither are left where they are put.
class TDockLayout : public QLayout {
    Q_OBJECT

public:
    explicit TDockLayout(QWidget* parent);
    ~TDockLayout() override;

    // A docked control; `size` is its height (top, bottom) or width (left, right).
    void AddDocked(QWidget* control, TAlign align, int size = 0);
    // A control anchored to edges, designed at `bounds` in a parent whose size was `designedParent`.
    void AddAnchored(QWidget* control, QRect bounds, QSize designedParent, int anchors);

    // The height or width a docked control keeps; splitters change it.
    int DockedSize(const QWidget* control) const;
    void SetDockedSize(const QWidget* control, int size);
    TAlign DockedAlign(const QWidget* control) const;

    // The room the docked controls of one axis leave, hidden ones not counted: the parent's client
    // height (Top/Bottom) or width (Left/Right) less the sizes of every visible docked control of
    // that axis.
    int FreeRoom(TAlign axis) const;

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct Entry {
        QLayoutItem* item;
        bool docked;
        TAlign align;
        int size;
        QRect bounds;
        QSize designedParent;
        int anchors;
    };
    const Entry* Find(const QWidget* control) const;
    Entry* Find(const QWidget* control);

    std::vector<Entry> entries_;
};
