#include "os/sleeplock.h"

#include "support/programfixture.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <mutex>
#include <vector>
#include <windows.h>
#else
#include "support/systembus.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

#ifdef _WIN32

struct ExecutionStateCallMade {
    unsigned long flags;
    DWORD thread;
};

std::mutex callsMutex;
std::vector<ExecutionStateCallMade> calls;
unsigned long systemAnswer = 0;

unsigned long recordCall(unsigned long flags) {
    std::lock_guard lock(callsMutex);
    calls.push_back({flags, GetCurrentThreadId()});
    return systemAnswer;
}

std::vector<ExecutionStateCallMade> callsMade() {
    std::lock_guard lock(callsMutex);
    return calls;
}

TEST(SleepLockTest, aThreadOfItsOwnKeepsTheSystemUpUntilTheLockGoesOrReportsARefusal) {
    const ExecutionStateCall before = replaceExecutionStateCall(recordCall);
    struct Case {
        unsigned long answer;
        SleepLockState state;
        std::size_t callsAfter; // a refused state has nothing to clear
    };
    for (const Case& test :
         {Case{ES_CONTINUOUS, SleepLockState::Held, 2}, Case{0, SleepLockState::Refused, 1}}) {
        {
            std::lock_guard lock(callsMutex);
            calls.clear();
            systemAnswer = test.answer;
        }
        {
            SleepLock lock;
            EXPECT_EQ(lock.outcome().state, test.state);
            ASSERT_EQ(callsMade().size(), 1u);
            EXPECT_EQ(callsMade()[0].flags, static_cast<unsigned long>(ES_CONTINUOUS | ES_SYSTEM_REQUIRED));
            // The state belongs to the thread that set it: not the one that asked for the lock.
            EXPECT_NE(callsMade()[0].thread, GetCurrentThreadId());
        }
        const auto made = callsMade();
        ASSERT_EQ(made.size(), test.callsAfter);
        if (made.size() == 2) {
            EXPECT_EQ(made[1].flags, static_cast<unsigned long>(ES_CONTINUOUS));
            EXPECT_EQ(made[1].thread, made[0].thread);
        }
    }
    replaceExecutionStateCall(before);
}

#else

// A socket that takes connections into its queue and never reads them: a hung bus.
class SilentSocket {
public:
    explicit SilentSocket(const std::filesystem::path& path) : m_socket(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        EXPECT_EQ(::bind(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(m_socket, 8), 0);
    }
    ~SilentSocket() { ::close(m_socket); }
    SilentSocket(const SilentSocket&) = delete;
    SilentSocket& operator=(const SilentSocket&) = delete;

private:
    int m_socket;
};

TEST(SleepLockTest, eachKindOfSystemBusGivesItsOutcome) {
    enum class Bus { Missing, Silent, WithoutLogind, WithLogind };
    const struct {
        Bus bus;
        SleepLockState state;
    } cases[] = {
        {Bus::Missing, SleepLockState::NoBus},
        {Bus::Silent, SleepLockState::NoAnswer},
        {Bus::WithoutLogind, SleepLockState::NoService},
        {Bus::WithLogind, SleepLockState::Held},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(static_cast<int>(test.bus));
        TemporaryDirectory directory;
        const auto socket = directory.native() / "system_bus_socket";
        std::optional<EnvironmentVariable> missing;
        std::optional<SilentSocket> silent;
        std::optional<MockSystemBus> bus;
        if (test.bus == Bus::Missing || test.bus == Bus::Silent)
            missing.emplace("DBUS_SYSTEM_BUS_ADDRESS", MockSystemBus::addressOf(socket));
        if (test.bus == Bus::Silent)
            silent.emplace(socket);
        if (test.bus == Bus::WithoutLogind || test.bus == Bus::WithLogind)
            bus.emplace(socket, test.bus == Bus::WithLogind ? Logind::Mocked : Logind::Absent);

        SleepLock lock;
        EXPECT_EQ(lock.outcome().state, test.state) << lock.outcome().detail;
        EXPECT_EQ(lock.held(), test.state == SleepLockState::Held);
        EXPECT_EQ(lock.outcome().detail.empty(),
                  test.state == SleepLockState::Held || test.state == SleepLockState::NoAnswer);
    }
}

#endif

} // namespace
