#include "ui/WindowPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <memory>

namespace ui {
namespace {

constexpr qint64 kPumpMilliseconds = 10;

}  // namespace

net::PumpFunction WindowPump() {
    auto last = std::make_shared<QElapsedTimer>();
    return [last] {
        if (last->isValid() && last->elapsed() < kPumpMilliseconds) return;
        last->start();
        QCoreApplication::processEvents();
    };
}

}  // namespace ui
