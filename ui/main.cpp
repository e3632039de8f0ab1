#include <QApplication>
#include <QFont>
#include <iostream>
#include <optional>

#include "desktop/SdlSoundPlayer.h"
#include "ui/Program.h"
#include "ui/ProgramIcon.h"
#include "ui/ProgramOptions.h"
#include "ui/SingleInstance.h"
#include "ui/StartGuard.h"
#include "ui/WindowPump.h"

namespace {

constexpr int kWindowFontPoints = 9;

// Everything the windows show without a font of their own: proportional, as the captions were laid out for.
QFont WindowFont() {
    QFont font(QStringLiteral("IPAPGothic"), kWindowFontPoints);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace

int main(int argc, char** argv) {
    const ui::ProgramOptions options = ui::ParseProgramOptions({argv + 1, argv + argc});
    if (!options.error.empty()) {
        std::cerr << "quillonv: " << options.error << "\n" << ui::kProgramUsage;
        return 2;
    }
    if (options.help || options.version) {
        std::cout << (options.help ? ui::kProgramUsage : ui::kProgramVersion);
        return 0;
    }
    const app::DataFolder folder = options.dataDir ? app::DataFolder(*options.dataDir) : app::DataFolder::FromEnvironment();
    if (!folder.Create()) {
        std::cerr << "quillonv: cannot create the data folder " << folder.Path().string() << "\n";
        return 1;
    }
    ui::SingleInstance instance(folder);

    QApplication application(argc, argv);
    if (const std::optional<int> status = ui::SettleWithOtherStarts(instance)) return *status;
    // The program ends with the main window alone, whatever else is open.
    application.setQuitOnLastWindowClosed(false);
    application.setFont(WindowFont());
    application.setWindowIcon(ui::ProgramIcon());

    desktop::SdlSoundPlayer player;
    app::ClientSetup clients;
    clients.pump = ui::WindowPump();
    ui::Program program(folder, player, clients);
    instance.ServeShowRequests([&program] { program.Form1().BringToFront(); });
    program.Start();
    return application.exec();
}
