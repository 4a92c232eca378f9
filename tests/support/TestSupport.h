#pragma once
// Helpers shared by the test suites: where the corpus and the source tree are,
// and scratch folders that clean up after themselves.
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace testsupport {

// ../shared/corpus/<sub> beside the project root, or empty when it is absent.
QString corpusDir(const QString &sub = QString());
// The project's source tree (for tests/data).
QString sourceDir();
// The build folder (for artefacts a person looks at afterwards).
QString buildDir();

// A fresh scratch folder, removed when the object dies.
class ScratchDir {
public:
    ScratchDir();
    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }
private:
    QTemporaryDir dir_;
};

// A 64 KB memory file system mounted on the folder (created) while the
// object lives, for tests of a full disk; mounted() is false where the test
// may not mount one.
class SmallDisk {
public:
    explicit SmallDisk(const QString &folder);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;
    bool mounted() const { return mounted_; }
private:
    QString folder_;
    bool mounted_ = false;
};

// Writes bytes to a file, creating folders on the way; fails the test on error.
void writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);
// Copies a folder with everything below it; fails the test on error.
void copyTree(const QString &from, const QString &to);

// True when the file's bytes equal tests/data/<expected>. Otherwise the
// file is copied to <build>/expected-mismatch/<expected> for comparison and
// the test is told where.
bool matchesExpectedFile(const QString &actual, const QString &expected);

} // namespace testsupport

// Skips the current test when the corpus folder is missing.
#define QC_REQUIRE_CORPUS(sub)                                                        \
    do {                                                                              \
        if (testsupport::corpusDir(sub).isEmpty())                                    \
            GTEST_SKIP() << "corpus folder '" << (sub) << "' not found; skipped";     \
    } while (0)
