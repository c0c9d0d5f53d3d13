// kv90t-screenshots: pictures of the console's windows against the simulated device, for the
// documentation and for looking at the layout. Writes PNG files into the folder it is given.

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <string>

#include "link/CNetworkDeviceComm.h"
#include "protocol/CKV90T1_Comm.h"
#include "shell/CKV90TDlg.h"
#include "sim/KV90TSimulation.h"
#include "sim/SimServer.h"

namespace {

bool Save(QWidget& window, const QString& folder, const char* name) {
    window.show();
    QApplication::processEvents();
    const QString path = folder + "/" + name;
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toLocal8Bit().constData());
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString folder = argc > 1 ? argv[1] : "screenshots";
    QDir().mkpath(folder);

    sim::SimDevice device;
    sim::KV90TSimulation simulation(device, sim::DefaultProfile());
    sim::SimServer server(device);
    if (!server.ListenTcp(0)) {
        std::fprintf(stderr, "kv90t-screenshots: cannot start the simulated device\n");
        return 1;
    }
    server.Start();
    CNetworkDeviceComm link("127.0.0.1", server.TcpPort());
    CKV90T1_Comm comm(&link);

    CKV90TDlg main(&comm, 0);
    return Save(main, folder, "main-window.png") ? 0 : 1;
}
