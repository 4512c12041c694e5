// The hardening tests, and the helper they start as separate copies of the
// window program:
//   hardening_tests --window-run PROGRAM_FOLDER SOURCE DEST SIDE READY_FOLDER
// runs the window's whole job with the temporary bitmap placed as the program
// places it, once READY_FOLDER holds two entries (so that two copies run at the
// same time), prints the bitmap's path and the closing message, and exits 0 when
// the run reported success.

#include "Hardening.h"
#include "TempBitmapLocation.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tessaline;

void waitForTwo(const fs::path& ready)
{
    std::ofstream(ready / std::to_string(::getpid())) << "ready";
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (hardening::entries(ready).size() < 2 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

int windowRun(char** args)
{
    const fs::path program = args[0], source = args[1], destination = args[2], ready = args[4];
    const TempBitmapLocation temporary(program, TempBitmapLocation::userCacheFolder());
    hardening::Window window(program, temporary.path());
    window.chooseSource(source);
    window.chooseDestination(destination);
    window.setSide(std::atoi(args[3]));
    waitForTwo(ready);
    window.pressStart();
    const QString message = window.closingMessage();
    std::printf("%s\n%s\n", temporary.path().c_str(), message.toUtf8().constData());
    return message == QStringLiteral("Conversione terminata con successo.") ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!startVips(argv[0]))
        return 1;
    if (argc == 7 && std::strcmp(argv[1], "--window-run") == 0)
        return windowRun(argv + 2);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
