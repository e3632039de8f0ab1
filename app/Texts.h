#pragma once
// The Shift_JIS texts of the application core, written as bytes so the sources stay ASCII. The comment
// above each says what the text means.

#include <string_view>

namespace app {

// "suru" (on) and "shinai" (off): the only texts an account flag holds.
inline constexpr std::string_view kFlagOn = "\x82\xb7\x82\xe9";
inline constexpr std::string_view kFlagOff = "\x82\xb5\x82\xc8\x82\xa2";

// Validation of the account editor, in the order the fields are checked.
// "No mail address has been entered."
inline constexpr std::string_view kMailAddressMissing =
    "\x83\x81\x81[\x83\x8b\x83" "A\x83h\x83\x8c\x83X\x82\xaa\x93\xfc\x97\xcd\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc"
    "\x82\xb9\x82\xf1\x81" "B";
// "No user ID has been entered."
inline constexpr std::string_view kUserIdMissing =
    "\x83\x86\x81[\x83U\x81[ID\x82\xaa\x93\xfc\x97\xcd\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1\x81" "B";
// "No password has been entered."
inline constexpr std::string_view kPasswordMissing =
    "\x83p\x83X\x83\x8f\x81[\x83h\x82\xaa\x93\xfc\x97\xcd\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1\x81" "B";
// "No POP server has been entered." (full-width POP)
inline constexpr std::string_view kPopServerMissing =
    "\x82o\x82n\x82o\x83T\x81[\x83o\x81[\x82\xaa\x93\xfc\x97\xcd\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82"
    "\xf1\x81" "B";
// "No SMTP server has been entered." (full-width SMTP)
inline constexpr std::string_view kSmtpServerMissing =
    "\x82r\x82l\x82s\x82o\x83T\x81[\x83o\x81[\x82\xaa\x93\xfc\x97\xcd\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9"
    "\x82\xf1\x81" "B";

// "The selected entry will be deleted." CR "Are you sure?"
inline constexpr std::string_view kConfirmDeleteAccount =
    "\x8c\xbb\x8d\xdd\x91I\x91\xf0\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xe9\x8f\xee\x95\xf1\x82\xf0\x8d\xed\x8f\x9c\x82"
    "\xb5\x82\xdc\x82\xb7\x81" "B\r\x82\xe6\x82\xeb\x82\xb5\x82\xa2\x82\xc5\x82\xb7\x82\xa9?";

// "The settings have been saved."
inline constexpr std::string_view kSettingsSaved = "\x90\xdd\x92\xe8\x82\xf0\x95\xdb\x91\xb6\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81" "B";
// "Saving the mail data failed!" (full-width exclamation mark)
inline constexpr std::string_view kSaveFailed =
    "\x83\x81\x81[\x83\x8b\x83" "f\x81[\x83^\x82\xcc\x95\xdb\x91\xb6\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd"
    "\x81I";

// A data file that is there but could not be read at start, shown then and at every save it holds up:
// path "could not be read (" reason ")." CR "So as not to lose what this file holds, the mail data is not
// saved until the file is moved elsewhere." (full-width parentheses)
inline constexpr std::string_view kDataFileUnreadLead =
    "\x82\xf0\x93\xc7\x82\xdd\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81i";
inline constexpr std::string_view kDataFileUnreadTail =
    "\x81j\x81" "B\r\x82\xb1\x82\xcc\x83t\x83@\x83" "C\x83\x8b\x82\xcc\x93\xe0\x97" "e\x82\xf0\x8e\xb8\x82\xed\x82\xc8\x82\xa2\x82"
    "\xe6\x82\xa4\x81" "A\x95\xca\x82\xcc\x8f\xea\x8f\x8a\x82\xd6\x88\xda\x82\xb7\x82\xdc\x82\xc5\x83\x81\x81[\x83\x8b\x83" "f\x81["
    "\x83^\x82\xcd\x95\xdb\x91\xb6\x82\xb5\x82\xdc\x82\xb9\x82\xf1\x81" "B";
// The reasons: "it is a folder", "it is larger than 16MB", "there is no permission to read it", "an error
// occurred while reading it", "there is a zero byte partway"
inline constexpr std::string_view kUnreadFolder = "\x83t\x83H\x83\x8b\x83_\x81[\x82\xc5\x82\xb7";
inline constexpr std::string_view kUnreadTooLarge = "16MB\x82\xf0\x92\xb4\x82\xa6\x82\xc4\x82\xa2\x82\xdc\x82\xb7";
inline constexpr std::string_view kUnreadNoPermission =
    "\x93\xc7\x82\xdd\x8e\xe6\x82\xe8\x82\xcc\x8c\xa0\x8c\xc0\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
inline constexpr std::string_view kUnreadReadError =
    "\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x92\x86\x82\xc9\x83G\x83\x89\x81[\x82\xaa\x8bN\x82\xab\x82\xdc\x82\xb5\x82\xbd";
inline constexpr std::string_view kUnreadZeroByte =
    "\x93r\x92\x86\x82\xc9\x83[\x83\x8d\x82\xcc\x83o\x83" "C\x83g\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7";

// "Do not send again!": the default subject of refusal replies.
inline constexpr std::string_view kDefaultSendSubject = "\x8d\xc4\x91\x97\x90M\x8b\xd6\x8e~!";
// "Unsolicited advertisement": the default subject marker of unsolicited advertisements.
inline constexpr std::string_view kDefaultReceiveSubject = "\x96\xa2\x8f\xb3\x91\xf8\x8dL\x8d\x90";
// "Please do not send mail to the following address." CR LF "MailAddress:%mail"
inline constexpr std::string_view kDefaultReplyBody =
    "\x88\xc8\x89\xba\x82\xcc\x83" "A\x83h\x83\x8c\x83X\x82\xc9\x83\x81\x81[\x83\x8b\x82\xcc\x91\x97\x90M\x82\xf0\x8ds"
    "\x82\xed\x82\xc8\x82\xa2\x82\xc5\x89\xba\x82\xb3\x82\xa2\x81" "B\r\nMailAddress:%mail";

// Column captions of the account list in field order, the hidden password column left out:
// mail address, user ID, POP server, check, reject unsolicited, SMTP server, auto-reply
inline constexpr std::string_view kColumnMailAddress = "\x83\x81\x81[\x83\x8b\x83" "A\x83h\x83\x8c\x83X";
inline constexpr std::string_view kColumnUserId = "\x83\x86\x81[\x83UID";
inline constexpr std::string_view kColumnPopServer = "POP\x83T\x81[\x83o\x81[";
inline constexpr std::string_view kColumnCheckFlag = "\x83`\x83" "F\x83" "b\x83N\x97L\x96\xb3";
inline constexpr std::string_view kColumnRejectFlag = "\x96\xa2\x8f\xb3\x91\xf8\x8b\x91\x94\xdb";
inline constexpr std::string_view kColumnSmtpServer = "SMTP\x83T\x81[\x83o\x81[";
inline constexpr std::string_view kColumnAutoReplyFlag = "\x8e\xa9\x93\xae\x95\xd4\x90M";

// Status line of the check. "Mail check in" ... "minutes" / "seconds": the countdown.
inline constexpr std::string_view kCountdownLead =
    "\x83\x81\x81[\x83\x8b\x83`\x83" "F\x83" "b\x83N\x82\xdc\x82\xc5\x8e" "c\x82\xe8";
inline constexpr std::string_view kCountdownMinutes = "\x95\xaa";
inline constexpr std::string_view kCountdownSeconds = "\x95" "b";
// "Server(" host ")connecting..." (three katakana middle dots)
inline constexpr std::string_view kConnectingLead = "\x83T\x81[\x83o\x81[(";
inline constexpr std::string_view kConnectingTail = ")\x82\xc9\x90\xda\x91\xb1\x92\x86\x81" "E\x81" "E\x81" "E";
// address "fetching the message information for ..." (three katakana middle dots)
inline constexpr std::string_view kFetchingTail =
    "\x82\xd6\x82\xcc\x83\x81\x83" "b\x83Z\x81[\x83W\x8f\xee\x95\xf1\x82\xf0\x8e\xe6\x93\xbe\x82\xb5\x82\xc4\x82"
    "\xa2\x82\xdc\x82\xb7\x81" "E\x81" "E\x81" "E";

// host "deleting the unsolicited advertisements on ..."
inline constexpr std::string_view kDeletingAdvertisementsTail =
    "\x8f\xe3\x82\xcc\x96\xa2\x8f\xb3\x91\xf8\x8dL\x8d\x90\x83\x81\x81[\x83\x8b\x82\xf0\x8d\xed\x8f\x9c\x82\xb5\x82"
    "\xc4\x82\xa2\x82\xdc\x82\xb7\x81" "B";
// reply address "sending mail to ..."
inline constexpr std::string_view kSendingMailTail =
    "\x82\xd6\x83\x81\x81[\x83\x8b\x82\xf0\x91\x97\x90M\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81" "B";

// The deletion by hand. The dialog's server line starts with kLabelServer, its progress line while listing
// ends in kFetchingTail, and the status line reads as a check's while it connects.
// "Subject:" (full-width colon) subject "is being deleted."
inline constexpr std::string_view kDeletingLead = "\x8c\x8f\x96\xbc\x81" "F";
inline constexpr std::string_view kDeletingTail =
    "\x82\xf0\x8d\xed\x8f\x9c\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81" "B";
// kConnectingLead host "could not be connected to."
inline constexpr std::string_view kConnectFailedTail =
    ")\x82\xc9\x90\xda\x91\xb1\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81" "B";
// kConnectingLead host "the list of mails could not be fetched from."
inline constexpr std::string_view kListingCutShortTail =
    ")\x82\xa9\x82\xe7\x83\x81\x81[\x83\x8b\x82\xcc\x88\xea\x97\x97\x82\xf0\x8e\xe6\x93\xbe\x82\xc5\x82\xab\x82\xdc"
    "\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81" "B";
// "There is not a single mail that can be shown."
inline constexpr std::string_view kNoMailToShow =
    "\x95\x5c\x8e\xa6\x82\xc5\x82\xab\x82\xe9\x83\x81\x81[\x83\x8b\x82\xcd\x88\xea\x8c\x8f\x82\xe0\x82\xa0\x82\xe8\x82\xdc"
    "\x82\xb9\x82\xf1\x81" "B";
// "No mail to delete is selected."
inline constexpr std::string_view kNoMailSelected =
    "\x8d\xed\x8f\x9c\x82\xb7\x82\xe9\x83\x81\x81[\x83\x8b\x82\xaa\x91I\x91\xf0\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc"
    "\x82\xb9\x82\xf1\x81" "B";
// "All the selected mails will be deleted." CR "Are you really sure?" (full-width question mark)
inline constexpr std::string_view kConfirmDeleteMails =
    "\x91I\x91\xf0\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xe9\x83\x81\x81[\x83\x8b\x82\xaa\x82\xb7\x82\xd7\x82\xc4\x8d\xed"
    "\x8f\x9c\x82\xb3\x82\xea\x82\xdc\x82\xb7\x81" "B\r\x96{\x93\x96\x82\xc9\x82\xe6\x82\xeb\x82\xb5\x82\xa2\x82\xc5\x82\xb7"
    "\x82\xa9\x81H";
// "The mails have been deleted."
inline constexpr std::string_view kMailsDeleted =
    "\x83\x81\x81[\x83\x8b\x82\xf0\x8d\xed\x8f\x9c\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81" "B";
// "Deleting the mails failed."
inline constexpr std::string_view kMailDeletionFailed =
    "\x83\x81\x81[\x83\x8b\x82\xcc\x8d\xed\x8f\x9c\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81" "B";
// "Unsolicited advertisements are being deleted right now. Please try again once that is done."
inline constexpr std::string_view kClientBusyWithAdvertisements =
    "\x96\xa2\x8f\xb3\x91\xf8\x8dL\x8d\x90\x83\x81\x81[\x83\x8b\x82\xf0\x8d\xed\x8f\x9c\x82\xb5\x82\xc4\x82\xa2\x82\xe9"
    "\x8d\xc5\x92\x86\x82\xc5\x82\xb7\x81" "B\x8fI\x82\xed\x82\xc1\x82\xc4\x82\xa9\x82\xe7\x82\xe0\x82\xa4\x88\xea\x93x\x82"
    "\xa8\x8e\x8e\x82\xb5\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81" "B";

// Labels of a content view entry: seven full-width characters padded with ideographic spaces, a colon
// and one ideographic space, so the values line up in a fixed-pitch font.
// "receiving server name", "sender", "subject", "header information"
inline constexpr std::string_view kLabelServer = "\x8e\xf3\x90M\x83T\x81[\x83o\x81[\x96\xbc:\x81@";
inline constexpr std::string_view kLabelSender = "\x91\x97\x90M\x8e\xd2\x81@\x81@\x81@\x81@:\x81@";
inline constexpr std::string_view kLabelSubject = "\x8c\x8f\x96\xbc\x81@\x81@\x81@\x81@\x81@:\x81@";
inline constexpr std::string_view kLabelHeader = "\x83w\x83" "b\x83_\x81[\x8f\xee\x95\xf1\x81@:\x81@";

// The tray icon's tip: "double-click starts the mail program, right-click for the menu", the first word in
// half-width katakana.
inline constexpr std::string_view kTrayTip =
    "\xc0\xde\xcc\xde\xd9\xb8\xd8\xaf\xb8\x82\xc5\x83\x81\x81[\x83\x8b\x83\x5c\x83t\x83g\x8bN\x93\xae\x81" "B\x89" "E\x83N"
    "\x83\x8a\x83" "b\x83N\x82\xc5Menu";
// "The icon cannot be placed in the notification area."
inline constexpr std::string_view kTrayRefused =
    "\x83^\x83X\x83N\x83g\x83\x8c\x83" "C\x82\xc9\x83" "A\x83" "C\x83R\x83\x93\x82\xf0\x93o\x98^\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82"
    "\xf1\x81" "B";

}  // namespace app
