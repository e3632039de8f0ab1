#include "ui/SjisText.h"

#include "jcode/DisplayText.h"

namespace ui {

QString FromSjis(std::string_view sjis) {
    return QString::fromStdString(jcode::SjisToUtf8(sjis));
}

std::string ToSjis(const QString& text) {
    return jcode::Utf8ToSjisStrict(text.toStdString());
}

bool SjisCanHold(const QString& text) {
    return FromSjis(ToSjis(text)) == text;
}

QString FromSjisLines(std::string_view sjis) {
    QString text = FromSjis(sjis);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

std::string ToSjisLines(const QString& text) {
    QString lines = text;
    lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return ToSjis(lines);
}

}  // namespace ui
