// One UDP answer datagram, read as the searcher reads every datagram that
// arrives on its socket.

#include "fuzzsupport.h"

#include "discovery/devicessearcher.h"

#include <QHostAddress>

namespace {

// An address the searcher passes on is empty or already in canonical form.
bool isCanonical(const QString &address)
{
    if (address.isEmpty()) {
        return true;
    }
    QHostAddress parsed;
    return parsed.setAddress(address) && parsed.toString() == address;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray datagram = FuzzSupport::bytes(data, size);
    const std::optional<DeviceDescription> description = DevicesSearcher::parseAnswer(datagram);
    if (!description) {
        return 0;
    }
    FUZZ_CHECK(description->type == 1, QString::number(description->type));
    FUZZ_CHECK(!description->uniqueId.isNull(), QString());
    FUZZ_CHECK(!description->ipAddress1.isEmpty() || !description->ipAddress2.isEmpty(), QString());
    FUZZ_CHECK(isCanonical(description->ipAddress1), description->ipAddress1);
    FUZZ_CHECK(isCanonical(description->ipAddress2), description->ipAddress2);
    FUZZ_CHECK(!description->name.isEmpty(), QString());
    return 0;
}
