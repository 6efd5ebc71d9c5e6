// The fuzz corpus replayed: every input a fuzzer ever stopped on
// (tests/corpus/<target>/, kept there by scripts/fuzz once fixed) and the
// seeds the fuzzers start from, run through the fuzzers' own entry points.
// An entry aborts on any finding, so a fault that comes back fails here.
#include "fuzz/fuzz_entries.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace draxa::fuzz;

namespace {

void Replay(const TFuzzTarget& Target, const QString& Name, const QByteArray& Bytes) {
    // Printed first: an entry that finds a fault ends the process.
    std::fprintf(stderr, "replaying %s/%s\n", Target.Name, qPrintable(Name));
    Target.Run(reinterpret_cast<const uint8_t*>(Bytes.constData()), size_t(Bytes.size()));
}

class CorpusReplay : public ::testing::TestWithParam<const char*> {};

TEST_P(CorpusReplay, SeedsAndEveryKeptInputRunClean) {
    const TFuzzTarget* Target = FindFuzzTarget(QLatin1String(GetParam()));
    ASSERT_NE(Target, nullptr);
    const auto Seeds = GenerateSeeds(QLatin1String(Target->Name));
    EXPECT_FALSE(Seeds.empty()) << "every target starts from seeds of its own";
    for (const auto& [Name, Bytes] : Seeds) Replay(*Target, "seed " + Name, Bytes);

    const QDir Kept(QStringLiteral(DRAXA_CORPUS_DIR "/") + QLatin1String(Target->Name));
    for (const QString& Name : Kept.entryList(QDir::Files, QDir::Name)) {
        QFile File(Kept.filePath(Name));
        ASSERT_TRUE(File.open(QIODevice::ReadOnly)) << qPrintable(File.fileName());
        Replay(*Target, Name, File.readAll());
    }
}

std::vector<const char*> TargetNames() {
    std::vector<const char*> Names;
    for (const TFuzzTarget& T : FuzzTargets()) Names.push_back(T.Name);
    return Names;
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay, ::testing::ValuesIn(TargetNames()),
                         [](const ::testing::TestParamInfo<const char*>& Info) {
                             return std::string(Info.param);
                         });

TEST(CorpusReplayFolders, EveryFolderNamesATarget) {
    // An input kept under a misspelt folder would never be replayed.
    for (const QString& Folder :
         QDir(QStringLiteral(DRAXA_CORPUS_DIR)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        EXPECT_NE(FindFuzzTarget(Folder), nullptr) << qPrintable(Folder);
}

} // namespace
