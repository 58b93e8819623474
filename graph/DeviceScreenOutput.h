// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// A graph whose device renderer can show its picture on a monitor of the user's choice. The choice
// holds for every device renderer the graph has or gets, and moves the picture of one that plays at
// once, without building anything again. A graph without it leaves the picture where the device puts
// it by itself.
class IDeviceScreenOutput {
public:
    virtual ~IDeviceScreenOutput() = default;
    // The monitor by its index in the X server's list, and whether the picture covers it.
    virtual void SetDeviceScreen(int monitor, bool fullscreen) = 0;
};
