#include "fuzzsupport.h"

#include "registry/roleregistry.h"

#include <QCoreApplication>

#include <sched.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace FuzzSupport {

void initialize(int *argc, char ***argv)
{
    if (::unshare(CLONE_NEWNET) != 0) {
        std::fprintf(stderr,
                     "fuzz harness: cannot enter a network namespace of its own (%s); "
                     "run it as root or inside scripts/netns-run\n",
                     std::strerror(errno));
        std::abort();
    }
    // libFuzzer keeps argc and argv alive for the whole run.
    static QCoreApplication application(*argc, *argv);
    RoleRegistry::fill();
}

QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
}

QList<QByteArray> parts(const QByteArray &input, int maxParts)
{
    QList<QByteArray> list;
    int start = 0;
    while (list.size() < maxParts && start <= input.size()) {
        const int end = input.indexOf('\0', start);
        if (end < 0) {
            list.append(input.mid(start));
            break;
        }
        list.append(input.mid(start, end - start));
        start = end + 1;
    }
    return list;
}

void fail(const char *file, int line, const char *condition, const QString &detail)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n  %s\n", file, line, condition,
                 detail.toUtf8().constData());
    std::abort();
}

} // namespace FuzzSupport
