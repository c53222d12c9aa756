#ifndef FUZZSUPPORT_H
#define FUZZSUPPORT_H

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

// What the libFuzzer harnesses share: the application object, a network
// namespace of their own, and a check that reports and aborts.
namespace FuzzSupport {

// Creates the application object and fills the role registry. The process
// first moves into a network namespace of its own, holding only a loopback
// that is down: Qt's HTTP thread connects even while no event loop runs, so
// an address read from fuzzed data must have nowhere to go.
void initialize(int *argc, char ***argv);

// Brings the namespace's loopback up, for a harness that serves its input
// over a connection of its own; nothing else can reach it.
void bringUpLoopback();

// The input as bytes, without a copy.
QByteArray bytes(const uint8_t *data, size_t size);

// The input cut at every NUL byte (which no JSON text contains), at most
// maxParts pieces; the rest of the input is dropped.
QList<QByteArray> parts(const QByteArray &input, int maxParts);

[[noreturn]] void fail(const char *file, int line, const char *condition, const QString &detail);

} // namespace FuzzSupport

#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition))                                                                          \
            FuzzSupport::fail(__FILE__, __LINE__, #condition, (detail));                           \
    } while (false)

#endif // FUZZSUPPORT_H
