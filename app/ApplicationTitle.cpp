// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/ApplicationTitle.h"

#include <QString>

std::string ApplicationTitleFor(const std::string& executablePath) {
    std::string name = executablePath.substr(executablePath.rfind('/') + 1);
    name = name.substr(0, name.find('.'));
    QString title = QString::fromStdString(name);
    if (title.isEmpty()) {
        return name;
    }
    // The first letter stays as the file name has it: "tarnwick" is titled "tarnwick".
    return (title.left(1) + title.mid(1).toLower()).toStdString();
}
