#include "desktop/DesktopNotifications.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <utility>

#include "jcode/DisplayText.h"

namespace {

// The "image-data" hint: width, height, row stride, alpha, bits per sample, channels, RGBA bytes.
struct RawImage {
    QImage image;
};

QDBusArgument& operator<<(QDBusArgument& argument, const RawImage& raw) {
    const QImage rgba = raw.image.convertToFormat(QImage::Format_RGBA8888);
    constexpr int kBitsPerSample = 8;
    constexpr int kChannels = 4;
    argument.beginStructure();
    argument << rgba.width() << rgba.height() << static_cast<int>(rgba.bytesPerLine()) << true << kBitsPerSample
             << kChannels
             << QByteArray(reinterpret_cast<const char*>(rgba.constBits()), static_cast<qsizetype>(rgba.sizeInBytes()));
    argument.endStructure();
    return argument;
}

// Only sent, never read.
const QDBusArgument& operator>>(const QDBusArgument& argument, RawImage&) { return argument; }

}  // namespace

Q_DECLARE_METATYPE(RawImage)

namespace desktop {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kProgramName = QStringLiteral("QuillonV");

QDBusMessage Call(const QString& method) { return QDBusMessage::createMethodCall(kService, kPath, kInterface, method); }

QString FromSjis(const std::string& sjis) { return QString::fromStdString(jcode::SjisToUtf8(sjis)); }

// The reply of `call` goes to `done`; a call that failed runs `failed`.
template <typename Reply, typename Done, typename Failed>
void WhenAnswered(QObject* owner, const QDBusPendingCall& call, Done done, Failed failed) {
    auto* watcher = new QDBusPendingCallWatcher(call, owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner,
                     [done, failed](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         const QDBusPendingReply<Reply> reply = *finished;
                         if (reply.isError()) {
                             failed();
                         } else {
                             done(reply.value());
                         }
                     });
}

}  // namespace

DesktopNotifications::DesktopNotifications(QImage icon, QString desktopEntry)
    : bus_(QDBusConnection::sessionBus()), icon_(std::move(icon)), desktopEntry_(std::move(desktopEntry)) {
    qDBusRegisterMetaType<RawImage>();
    bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(ActionInvoked(uint, QString)));
    bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(NotificationClosed(uint, uint)));
}

void DesktopNotifications::Show(const app::NewMail& mail) {
    if (!bus_.isConnected()) return;
    const QString summary = FromSjis(app::NoticeSummary(mail));
    const QString body = FromSjis(app::NoticeBody(mail));
    notifying_ = true;
    closeWhenShown_ = false;
    // A service that reads the body as markup would take a sender's "<address>" for a tag.
    WhenAnswered<QStringList>(
        this, bus_.asyncCall(Call(QStringLiteral("GetCapabilities"))),
        [this, summary, body](const QStringList& capabilities) {
            Notify(summary, body, capabilities.contains(QStringLiteral("body-markup")));
        },
        [this] { notifying_ = false; });
}

void DesktopNotifications::Notify(const QString& summary, const QString& body, bool markup) {
    QDBusMessage notify = Call(QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("category"), QStringLiteral("email.arrived")},
                            {QStringLiteral("desktop-entry"), desktopEntry_},
                            {QStringLiteral("image-data"), QVariant::fromValue(RawImage{icon_})}};
    // "Open", the caption of the click on the notification where the service shows it as a button.
    const QStringList actions{QStringLiteral("default"), QStringLiteral(u"\u958b\u304f")};
    constexpr int kServiceDefaultTimeout = -1;
    notify << kProgramName << shown_ << QString() << summary << (markup ? body.toHtmlEscaped() : body) << actions
           << hints << kServiceDefaultTimeout;
    WhenAnswered<uint>(
        this, bus_.asyncCall(notify),
        [this](uint id) {
            notifying_ = false;
            shown_ = id;
            if (std::exchange(closeWhenShown_, false)) Close();
        },
        [this] { notifying_ = false; });
}

void DesktopNotifications::Close() {
    if (shown_ == 0) {
        closeWhenShown_ = notifying_;
        return;
    }
    QDBusMessage close = Call(QStringLiteral("CloseNotification"));
    close << std::exchange(shown_, 0u);
    bus_.asyncCall(close);
}

void DesktopNotifications::ActionInvoked(uint id, const QString& action) {
    if (id == shown_ && action == QStringLiteral("default") && OnDefaultAction) OnDefaultAction();
}

void DesktopNotifications::NotificationClosed(uint id, uint) {
    if (id == shown_) shown_ = 0;
}

}  // namespace desktop
