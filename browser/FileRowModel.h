// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "browser/FileScan.h"

#include <QAbstractListModel>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <vector>

// The rows of a file list, held as one sorted vector so that a scan of many thousands of files
// replaces them in one step.
class FileRowModel : public QAbstractListModel {
public:
    explicit FileRowModel(QObject* parent);

    void SetRows(std::vector<FileRow> rows);
    const std::vector<FileRow>& Rows() const { return rows_; }
    const QPixmap& Glyph(RowGlyph glyph) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<FileRow> rows_;
    QPixmap executable_;
    QPixmap closedFolder_;
    QPixmap unknownFile_;
};

// Draws a row as the list always has: the glyph 2 pixels from the left edge and centred, the text
// at the row's top, after the glyph and 6 pixels more (2 pixels from the edge without glyphs).
class FileRowDelegate : public QStyledItemDelegate {
public:
    FileRowDelegate(const FileRowModel* model, const bool* showGlyphs, const int* rowHeight, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Tells the view that the rows' height changed.
    void RowHeightChanged() { emit sizeHintChanged(QModelIndex()); }

private:
    const FileRowModel* model_;
    const bool* showGlyphs_;
    const int* rowHeight_;
};
