#include "tests/fuzz/FuzzEntries.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

using Entry = QString (*)(const std::uint8_t *, std::size_t);

// Replays the seed corpus of one fuzz target (and the crash inputs kept there) through
// the entry the fuzzer drives.
void replay(const char *target, Entry entry) {
    const QDir dir(QStringLiteral(CFG_TEST_DATA_DIR "/fuzz/") + QLatin1String(target));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty()) << "no corpus in " << dir.path().toStdString();
    for (const QString &name : files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const QString problem = entry(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                      static_cast<std::size_t>(bytes.size()));
        EXPECT_TRUE(problem.isEmpty()) << target << "/" << name.toStdString() << ": " << problem.toStdString();
    }
}

TEST(FuzzReplay, ListingModule) { replay("listing_module", fuzzentry::listingModule); }
TEST(FuzzReplay, ListingFile) { replay("listing_file", fuzzentry::listingFile); }
TEST(FuzzReplay, FileReader) { replay("file_reader", fuzzentry::fileReader); }

}  // namespace
