#pragma once

#include <QValidator>
#include <cstddef>

namespace ui {

// Keeps a text field to what Shift_JIS can hold and, where the field has a limit, to that many bytes of
// Shift_JIS (a double-byte character counts two), the width its value has in the data files. Typing or
// pasting anything else is refused whole, so nothing is changed behind the user's back.
class SjisFieldValidator final : public QValidator {
public:
    // 0: no limit.
    SjisFieldValidator(std::size_t byteLimit, QObject* parent);

    State validate(QString& input, int& position) const override;

private:
    std::size_t byteLimit_;
};

}  // namespace ui
