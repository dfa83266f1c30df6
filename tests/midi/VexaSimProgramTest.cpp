// The glimmark-vexa-sim program, run as another process, seen through RtMidi over JACK.

#include <gtest/gtest.h>

#include <poll.h>

#include "midi/JackServer.h"
#include "midi/MidiInbox.h"
#include "platform/midi/RtMidiSystem.h"

namespace jacktest {
namespace {

using namespace std::chrono_literals;
using platform::kNoMidiObject;
using platform::MidiRef;

// The program with its standard output on a pipe.
class Program {
public:
    explicit Program(std::vector<std::string> args) {
        args.insert(args.begin(), GLIMMARK_VEXA_SIM_PATH);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int fds[2];
        if (pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        m_out = fds[0];
    }
    ~Program() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            close(m_out);
    }

    // The next line of its output; empty when none came within the time.
    std::string readLine(std::chrono::milliseconds timeout = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const std::size_t end = m_buffer.find('\n');
            if (end != std::string::npos) {
                std::string line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{m_out, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return {};
            char chunk[256];
            const ssize_t n = read(m_out, chunk, sizeof chunk);
            if (n <= 0)
                return {};
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }
    // Stops it as an interrupt would; its exit status.
    int terminate() {
        int status = -1;
        kill(m_pid, SIGTERM);
        waitpid(m_pid, &status, 0);
        m_pid = 0;
        return status;
    }
    int wait() {
        int status = -1;
        waitpid(m_pid, &status, 0);
        m_pid = 0;
        return status;
    }
    std::string allOutput() {
        std::string all;
        for (std::string line = readLine(2s); !line.empty() || !m_buffer.empty();
             line = readLine(2s))
            all += line + "\n";
        return all;
    }

private:
    pid_t m_pid = 0;
    int m_out = -1;
    std::string m_buffer;
};

TEST(VexaSimProgram, AnswersObeysMachineControlAndPrintsWhatItReceivedByteExact) {
    REQUIRE_JACK_SERVER();
    Program program({"--print", "--fps", "30", "--no-play"});
    platform::midi::RtMidiSystem midi(platform::midi::MidiApi::jack);

    MidiRef destination = kNoMidiObject;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (destination == kNoMidiObject && std::chrono::steady_clock::now() < deadline) {
        for (int i = 0; i < midi.numberOfDestinations(); ++i) {
            if (midi.modelName(midi.destination(i)) == "vexa ")
                destination = midi.destination(i);
        }
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_NE(destination, kNoMidiObject) << "the program's client never appeared";
    MidiRef client = kNoMidiObject, out = kNoMidiObject, in = kNoMidiObject;
    ASSERT_EQ(midi.clientCreate("TeStInG", client), 0);
    ASSERT_EQ(midi.outputPortCreate(client, "OuTpUt", out), 0);
    ASSERT_EQ(midi.inputPortCreate(client, "InPut", &MidiInbox::readProc, in), 0);
    ASSERT_EQ(midi.portConnectSource(in, midi.sourceOfDevice(destination)), 0);
    MidiInbox& inbox = MidiInbox::instance();
    inbox.clear();

    auto send = [&](const Bytes& m) {
        midi.send(out, destination, platform::makeMidiPacketList(m));
    };
    send({0xF0, 0x2C, 0x4D, 0x10, 0xF7});
    // 30 fps: rate bits 60 on the hours.
    send({0xF0, 0x7F, 0x7F, 0x06, 0x44, 0x06, 0x01, 0x61, 0x02, 0x03, 0x04, 0x00, 0xF7});
    send({0xF0, 0x7F, 0x7F, 0x06, 0x02, 0xF7});

    EXPECT_EQ(program.readLine(), "F0 2C 4D 10 F7");
    EXPECT_EQ(program.readLine(), "F0 7F 7F 06 44 06 01 61 02 03 04 00 F7");
    EXPECT_EQ(program.readLine(), "F0 7F 7F 06 02 F7");
    EXPECT_TRUE(inbox.waitFor(
        [](const Bytes& m) { return m == Bytes{0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7}; }));
    // The full frame at the target, and quarter frames whose last piece names 30 fps.
    EXPECT_TRUE(inbox.waitFor([](const Bytes& m) {
        return m == Bytes{0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x61, 0x02, 0x03, 0x04, 0xF7};
    }));
    EXPECT_TRUE(inbox.waitFor([](const Bytes& m) { return m == Bytes{0xF1, 0x76}; }));

    midi.clientDispose(client);
    const int status = program.terminate();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(VexaSimProgram, ExplainsItselfAndRefusesWrongOptions) {
    Program help({"--help"});
    EXPECT_NE(help.allOutput().find("--fps 24|25|29.97|30"), std::string::npos);
    int status = help.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {"--fps", "23.976"}, {"--start", "25:00:00:00"}, {"--loud"}}) {
        Program program(wrong);
        status = program.wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << wrong.front();
    }
}

}  // namespace
}  // namespace jacktest
