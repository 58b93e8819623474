// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileRowModel.h"

#include "browser/FileNames.h"
#include "browser/Glyphs.h"

#include <QPainter>

FileRowModel::FileRowModel(QObject* parent)
    : QAbstractListModel(parent), executable_(LoadGlyph("EXECUTABLE")),
      closedFolder_(LoadGlyph("CLOSEDFOLDER")), unknownFile_(LoadGlyph("UNKNOWNFILE")) {}

void FileRowModel::SetRows(std::vector<FileRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

const QPixmap& FileRowModel::Glyph(RowGlyph glyph) const {
    static const QPixmap none;
    switch (glyph) {
    case RowGlyph::Executable:
        return executable_;
    case RowGlyph::ClosedFolder:
        return closedFolder_;
    case RowGlyph::UnknownFile:
        return unknownFile_;
    case RowGlyph::None:
        break;
    }
    return none;
}

int FileRowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant FileRowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()) || role != Qt::DisplayRole) {
        return {};
    }
    // Made when a row is shown, not when it is listed: most rows of a long list never are.
    return DisplayText(rows_[static_cast<std::size_t>(index.row())].Text);
}

FileRowDelegate::FileRowDelegate(const FileRowModel* model, const bool* showGlyphs, const int* rowHeight,
                                 QObject* parent)
    : QStyledItemDelegate(parent), model_(model), showGlyphs_(showGlyphs), rowHeight_(rowHeight) {}

void FileRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    painter->fillRect(option.rect, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
    int textLeft = 2;
    const QPixmap& glyph = model_->Glyph(model_->Rows()[static_cast<std::size_t>(index.row())].Glyph);
    if (*showGlyphs_ && !glyph.isNull()) {
        painter->drawPixmap(option.rect.left() + 2,
                            option.rect.top() + (option.rect.height() - glyph.height()) / 2, glyph);
        textLeft = glyph.width() + 6;
    }
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(option.font);
    const QRect textRect = option.rect.adjusted(textLeft, 0, 0, 0);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, index.data().toString());
}

QSize FileRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {option.rect.width(), *rowHeight_};
}
