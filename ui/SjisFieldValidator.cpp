#include "ui/SjisFieldValidator.h"

#include "ui/SjisText.h"

namespace ui {

SjisFieldValidator::SjisFieldValidator(std::size_t byteLimit, QObject* parent)
    : QValidator(parent), byteLimit_(byteLimit) {}

QValidator::State SjisFieldValidator::validate(QString& input, int&) const {
    if (!SjisCanHold(input)) return Invalid;
    if (byteLimit_ != 0 && ToSjis(input).size() > byteLimit_) return Invalid;
    return Acceptable;
}

}  // namespace ui
