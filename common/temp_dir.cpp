#include "common/temp_dir.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace velmo {

namespace {

bool isPrivateDirectory(const QByteArray& path) {
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return false;
    if ((info.st_mode & 0777) != 0700)
        return ::chmod(path.constData(), 0700) == 0;
    return true;
}

} // namespace

QString privateTempDirectoryUnder(const QString& base, const QString& name) {
    if (base.isEmpty())
        return {};
    const QByteArray path = QFile::encodeName(QDir(base).filePath(name));
    if (::mkdir(path.constData(), 0700) == 0 || errno == EEXIST) {
        if (isPrivateDirectory(path))
            return QFile::decodeName(path);
    }
    // The name is taken by something that is not ours: make a unique one.
    QByteArray pattern = path + "-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr)
        return QFile::decodeName(pattern);
    return {};
}

QString privateTempDirectory() {
    static const QString directory = [] {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty()) {
            const QString dir = privateTempDirectoryUnder(runtime, QStringLiteral("velmo"));
            if (!dir.isEmpty())
                return dir;
        }
        return privateTempDirectoryUnder(QDir::tempPath(),
                                         QStringLiteral("velmo-%1").arg(::getuid()));
    }();
    return directory;
}

} // namespace velmo
