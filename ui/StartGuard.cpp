#include "ui/StartGuard.h"

#include <iostream>

#include "ui/MessageBoxes.h"

namespace ui {
namespace {

// "データフォルダー %1 で動いているクイロンVが応答しません。"
QString NoAnswerText(const std::filesystem::path& folder) {
    return QStringLiteral(u"\u30c7\u30fc\u30bf\u30d5\u30a9\u30eb\u30c0\u30fc %1 \u3067\u52d5\u3044\u3066"
                          u"\u3044\u308b\u30af\u30a4\u30ed\u30f3V\u304c\u5fdc\u7b54\u3057\u307e\u305b\u3093\u3002")
        .arg(QString::fromStdString(folder.string()));
}

// "データフォルダーをロックできません。" (why) "同じフォルダーでもう一つ起動すると、両方がメールを確認し、
// 広告メールを削除して返信します。"
QString NoLockText(const std::string& failure) {
    return QStringLiteral(u"\u30c7\u30fc\u30bf\u30d5\u30a9\u30eb\u30c0\u30fc\u3092\u30ed\u30c3\u30af\u3067"
                          u"\u304d\u307e\u305b\u3093\u3002\n%1\n\u540c\u3058\u30d5\u30a9\u30eb\u30c0\u30fc"
                          u"\u3067\u3082\u3046\u4e00\u3064\u8d77\u52d5\u3059\u308b\u3068\u3001\u4e21\u65b9"
                          u"\u304c\u30e1\u30fc\u30eb\u3092\u78ba\u8a8d\u3057\u3001\u5e83\u544a\u30e1\u30fc"
                          u"\u30eb\u3092\u524a\u9664\u3057\u3066\u8fd4\u4fe1\u3057\u307e\u3059\u3002")
        .arg(QString::fromStdString(failure));
}

}  // namespace

std::optional<int> SettleWithOtherStarts(SingleInstance& instance) {
    if (!instance.First()) {
        if (instance.AskFirstToShow()) return 0;
        std::cerr << "quillonv: another quillonv is running on " << instance.Folder().string()
                  << " and does not answer\n";
        ShowErrorBox(nullptr, NoAnswerText(instance.Folder()));
        return 1;
    }
    if (!instance.LockFailure().empty()) {
        std::cerr << "quillonv: cannot lock " << instance.LockFailure()
                  << "; a second start on this folder will not be noticed\n";
        ShowErrorBox(nullptr, NoLockText(instance.LockFailure()));
    }
    return std::nullopt;
}

}  // namespace ui
