// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/FileDrop.h"

#include "player/FileUri.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>

namespace {

// The raw list rather than QMimeData::urls(): a QUrl turns a name that is not valid UTF-8 into
// something else.
std::vector<std::string> DroppedPaths(const QMimeData* data) {
    if (data == nullptr) {
        return {};
    }
    const QByteArray list = data->data(QStringLiteral("text/uri-list"));
    return LocalPathsOfUriList(std::string_view(list.constData(), static_cast<std::size_t>(list.size())));
}

class FileDropFilter : public QObject {
public:
    FileDropFilter(QWidget& window, std::function<void(const std::string&)> open)
        : QObject(&window), window_(window), open_(std::move(open)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &window_) {
            return false;
        }
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (DroppedPaths(drag->mimeData()).empty()) {
                drag->ignore();
            } else {
                drag->acceptProposedAction();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const std::vector<std::string> paths = DroppedPaths(drop->mimeData());
            if (paths.empty()) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            QTimer::singleShot(0, &window_, [open = open_, path = paths.front()] { open(path); });
            return true;
        }
        default:
            return false;
        }
    }

private:
    QWidget& window_;
    std::function<void(const std::string&)> open_;
};

} // namespace

void AcceptDroppedPaths(QWidget& window, std::function<void(const std::string&)> open) {
    window.setAcceptDrops(true);
    window.installEventFilter(new FileDropFilter(window, std::move(open)));
}
