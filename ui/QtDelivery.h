#pragma once
// Window messages delivered through Qt's event loop onto the window thread.

#include "platform/window_messages.h"

namespace ui {

class QtDelivery : public platform::MessageDelivery {
public:
    void Post(std::function<void()> call) override;
    bool OnWindowThread() const override;
};

}  // namespace ui
