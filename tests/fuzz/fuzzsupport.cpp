#include "fuzzsupport.h"

#include "registry/roleregistry.h"

#include <QCoreApplication>

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

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

void bringUpLoopback()
{
    const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    struct ifreq request = {};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    request.ifr_flags = IFF_UP | IFF_LOOPBACK | IFF_RUNNING;
    if (control < 0 || ::ioctl(control, SIOCSIFFLAGS, &request) != 0) {
        std::fprintf(stderr, "fuzz harness: cannot bring the loopback up (%s)\n",
                     std::strerror(errno));
        std::abort();
    }
    ::close(control);
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
