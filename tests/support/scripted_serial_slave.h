// A serial slave that follows a script, on the master side of a PtyPair, for
// the faults that real slaves do not produce on demand: silence, corrupt
// checksums, wrong slave IDs, short frames, answers split in pieces or late,
// and the echo of a two-wire line.
//
//   PtyPair pty;
//   ScriptedSerialSlave slave(pty, {ScriptedSerialSlave::Reply(Rtu({1, 3, 2, 0, 7}), 8)});
//   ... the engine opens pty.slavePath() and sends its request ...
//   slave.WaitForSteps(1, 5s);  slave.Requests()[0] == the request as sent
//
// Each step waits for one request, then answers it. The script runs in its
// own thread, which owns the pty master while it runs; every wait is bounded
// and the destructor stops the thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "support/pty_pair.h"

namespace zentiq::test {

class ScriptedSerialSlave {
public:
    using Bytes = std::vector<std::uint8_t>;
    using Ms = std::chrono::milliseconds;

    struct Step {
        // The request: exactly this many bytes, or (0) whatever comes until
        // the line has been silent for `gap`.
        std::size_t requestBytes = 0;
        Ms gap{30};
        // Send the request back before the answer (a two-wire line).
        bool echo = false;
        // What to answer; empty (and no echo) = stay silent.
        Bytes reply;
        Ms delay{0};  // before the echo / the answer
        // Sizes of leading pieces of the reply; the rest goes in a last piece.
        std::vector<std::size_t> pieces;
        Ms piecePause{20};  // between two pieces
        // After the request (and the delay): close the master, as when a USB
        // adapter is pulled. Ends the script.
        bool hangUp = false;
    };

    static Step Reply(Bytes reply, std::size_t requestBytes = 0) {
        Step s;
        s.requestBytes = requestBytes;
        s.reply = std::move(reply);
        return s;
    }
    static Step Silent(std::size_t requestBytes = 0) {
        Step s;
        s.requestBytes = requestBytes;
        return s;
    }
    static Step HangUp(std::size_t requestBytes = 0, Ms delay = Ms{0}) {
        Step s;
        s.requestBytes = requestBytes;
        s.delay = delay;
        s.hangUp = true;
        return s;
    }
    static Step EchoThenReply(Bytes reply, std::size_t requestBytes = 0) {
        Step s = Reply(std::move(reply), requestBytes);
        s.echo = true;
        return s;
    }

    // The frame with its Modbus CRC-16 appended (low byte first).
    static Bytes Rtu(Bytes frame);
    // ':' + upper-case hex of the bytes + LRC + CR LF.
    static Bytes Ascii(const Bytes& bytes);
    static Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

    // Starts the script on pty's master. Each step waits at most requestWait
    // for the first byte of its request.
    ScriptedSerialSlave(PtyPair& pty, std::vector<Step> script, Ms requestWait = Ms{10000});
    ~ScriptedSerialSlave();
    ScriptedSerialSlave(const ScriptedSerialSlave&) = delete;
    ScriptedSerialSlave& operator=(const ScriptedSerialSlave&) = delete;

    // Requests received so far, each exactly as it came over the line.
    std::vector<Bytes> Requests() const;
    // Waits until `count` steps have been carried out in full (answer sent).
    bool WaitForSteps(int count, Ms timeout) const;
    int StepsDone() const;
    // Stops the script (also done by the destructor).
    void Stop();

private:
    void Run();
    bool ReadRequest(const Step& step, Bytes& request);  // false when stopped or no request
    bool Pause(Ms duration);                             // false when stopped
    void Send(const Step& step, const Bytes& request);

    PtyPair& m_pty;
    std::vector<Step> m_script;
    Ms m_requestWait;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<Bytes> m_requests;
    int m_stepsDone = 0;
    std::thread m_thread;
};

}  // namespace zentiq::test
