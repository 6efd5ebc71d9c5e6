// draxa-fuzz-seeds DIR: writes the seed inputs of every fuzz target into
// DIR/<target>/, replacing what a previous run wrote there.
#include "fuzz/fuzz_entries.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: draxa-fuzz-seeds DIR\n");
        return 2;
    }
    draxa::fuzz::FuzzSetUp(&argc, &argv);
    const QDir Root(QString::fromLocal8Bit(argv[1]));
    for (const draxa::fuzz::TFuzzTarget& T : draxa::fuzz::FuzzTargets()) {
        const QString Dir = Root.filePath(QLatin1String(T.Name));
        QDir(Dir).removeRecursively();
        if (!QDir().mkpath(Dir)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(Dir));
            return 1;
        }
        for (const auto& [Name, Bytes] : draxa::fuzz::GenerateSeeds(QLatin1String(T.Name))) {
            QFile File(QDir(Dir).filePath(Name));
            if (!File.open(QIODevice::WriteOnly) || File.write(Bytes) != Bytes.size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(File.fileName()));
                return 1;
            }
        }
    }
    return 0;
}
