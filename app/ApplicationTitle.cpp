#include "app/ApplicationTitle.h"

#include <QString>

std::string ApplicationTitleFor(const std::string& executablePath) {
    std::string name = executablePath.substr(executablePath.rfind('/') + 1);
    name = name.substr(0, name.find('.'));
    QString title = QString::fromStdString(name);
    if (title.isEmpty()) {
        return name;
    }
    return (title.left(1).toUpper() + title.mid(1).toLower()).toStdString();
}
