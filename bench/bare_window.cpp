// The baseline of window_start_bench: the least a Qt program does to show a window, with the same font.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setFont(QFont(QStringLiteral("IPAPGothic"), 9));
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.resize(694, 456);
    window.show();
    return application.exec();
}
