#include "app/data/AccountFile.h"

#include "app/Trim.h"
#include "app/data/ScrambledFile.h"

namespace app {
namespace {

// Byte offsets of the fields within a record.
constexpr std::size_t kMailAddressAt = 0;
constexpr std::size_t kUserIdAt = 40;
constexpr std::size_t kPasswordAt = 80;
constexpr std::size_t kPopServerAt = 120;
constexpr std::size_t kCheckFlagAt = 160;
constexpr std::size_t kRejectFlagAt = 161;
constexpr std::size_t kSmtpServerAt = 162;
constexpr std::size_t kAutoReplyFlagAt = 202;

std::string TextField(std::string_view record, std::size_t at) {
    return std::string(Trim(record.substr(at, kAccountFieldSize)));
}

std::string FlagField(std::string_view record, std::size_t at) { return std::string(FlagText(record[at] == '1')); }

bool AppendTextField(std::string& content, std::string_view field) {
    if (field.size() > kAccountFieldSize) return false;
    content.append(kAccountFieldSize - field.size(), ' ');
    content.append(field);
    return true;
}

void AppendFlagField(std::string& content, std::string_view flag) { content.push_back(IsFlagOn(flag) ? '1' : '0'); }

}  // namespace

std::vector<AccountRecord> ParseAccountFileContent(std::string_view content) {
    std::vector<AccountRecord> rows;
    for (std::size_t at = 0; at + kAccountRecordSize <= content.size(); at += kAccountRecordSize) {
        const std::string_view record = content.substr(at, kAccountRecordSize);
        rows.push_back({
            .MailAddress = TextField(record, kMailAddressAt),
            .UserId = TextField(record, kUserIdAt),
            .Password = TextField(record, kPasswordAt),
            .PopServer = TextField(record, kPopServerAt),
            .CheckFlag = FlagField(record, kCheckFlagAt),
            .RejectFlag = FlagField(record, kRejectFlagAt),
            .SmtpServer = TextField(record, kSmtpServerAt),
            .AutoReplyFlag = FlagField(record, kAutoReplyFlagAt),
        });
    }
    return rows;
}

std::optional<std::string> BuildAccountFileContent(std::span<const AccountRecord> rows) {
    std::string content;
    content.reserve(rows.size() * kAccountRecordSize);
    for (const AccountRecord& row : rows) {
        const bool fits = AppendTextField(content, row.MailAddress) && AppendTextField(content, row.UserId) &&
                          AppendTextField(content, row.Password) && AppendTextField(content, row.PopServer);
        if (!fits) return std::nullopt;
        AppendFlagField(content, row.CheckFlag);
        AppendFlagField(content, row.RejectFlag);
        if (!AppendTextField(content, row.SmtpServer)) return std::nullopt;
        AppendFlagField(content, row.AutoReplyFlag);
    }
    return content;
}

std::vector<AccountRecord> LoadAccountFile(const std::filesystem::path& path) {
    return ParseAccountFileContent(LoadScrambledFile(path));
}

}  // namespace app
