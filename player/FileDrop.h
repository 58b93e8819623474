// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <string>

class QWidget;

// Lets files and folders be dropped on the window. The first local path of a drop goes to `open`
// once the drop has been answered: opening can build a graph or show an error box, and the program
// that dragged the file waits for the answer meanwhile.
void AcceptDroppedPaths(QWidget& window, std::function<void(const std::string&)> open);
