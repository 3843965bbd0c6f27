// A Modbus/TCP slave on 127.0.0.1 that follows a script, one step per
// request, for the faults that real slaves do not produce on demand: stale
// transaction IDs, answers split into segments, silence, closed and reset
// connections, a slave that goes away and comes back on the same port. With
// Framing::Rtu it takes RTU requests (no MBAP header) as a gateway would,
// for corrupt CRCs and late answers too.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace zentiq::test {

class ScriptedTcpSlave {
public:
    using Bytes = std::vector<std::uint8_t>;
    using Ms = std::chrono::milliseconds;

    // How requests are cut out of the byte stream.
    enum class Framing { Mbap, Rtu };

    // Transaction ID put into the first two bytes of an answer frame.
    enum class Id {
        AsIs,     // the bytes as given
        Request,  // the ID of the request being answered
        Stale,    // the request's ID minus one
    };

    struct Frame {
        Bytes bytes;  // the whole frame, MBAP header included
        Id id = Id::Request;
        // Sizes of the leading segments; what is left goes in a last one.
        std::vector<std::size_t> segments;
        Ms pause{40};  // before every segment after the first
        Ms delay{0};   // from the request's arrival to the first segment
    };

    enum class Action {
        Reply,     // send the frames in order
        Silent,    // send nothing
        Close,     // close the connection (orderly)
        Reset,     // close the connection with a reset (SO_LINGER 0)
        Relisten,  // stop listening, close the connection, listen again later
    };

    struct Step {
        Action action = Action::Reply;
        std::vector<Frame> frames;
        Ms downTime{0};           // Relisten: how long nobody listens
        bool closeAfter = false;  // Reply: close the connection after the frames
    };

    // A frame with a correct MBAP header around unit ID + PDU.
    static Frame Answer(const Bytes& unitAndPdu, Id id = Id::Request);
    // An RTU frame: slave ID + PDU and its CRC, sent as it is.
    static Frame RtuAnswer(const Bytes& slaveAndPdu);
    static Step Reply(Frame frame) { return {Action::Reply, {std::move(frame)}, Ms{0}, false}; }
    static Step Reply(std::vector<Frame> frames) {
        return {Action::Reply, std::move(frames), Ms{0}, false};
    }
    static Step ReplyThenClose(Frame frame) {
        return {Action::Reply, {std::move(frame)}, Ms{0}, true};
    }
    static Step Silent() { return {Action::Silent, {}, Ms{0}, false}; }
    static Step Close() { return {Action::Close, {}, Ms{0}, false}; }
    static Step Reset() { return {Action::Reset, {}, Ms{0}, false}; }
    static Step Relisten(Ms downTime) { return {Action::Relisten, {}, downTime, false}; }

    // Starts listening on an ephemeral port and runs the script in its own
    // thread. Each step first waits (at most requestWait) for one request.
    explicit ScriptedTcpSlave(std::vector<Step> script, Ms requestWait = Ms{10000},
                              Framing framing = Framing::Mbap);
    ~ScriptedTcpSlave();
    ScriptedTcpSlave(const ScriptedTcpSlave&) = delete;
    ScriptedTcpSlave& operator=(const ScriptedTcpSlave&) = delete;

    bool Listening() const { return m_port != 0; }
    std::uint16_t Port() const { return m_port; }

    // Requests received so far, each exactly as it came over the wire.
    std::vector<Bytes> Requests() const;
    int Connections() const { return m_connections.load(); }
    // For every frame sent: microseconds from the kernel's receipt of its
    // request to the moment just before its first byte went out.
    std::vector<std::int64_t> HoldsUs() const;
    // Waits until the listening socket has been opened `count` times in all
    // (1 at start, +1 per Relisten step that completed).
    bool WaitForListens(int count, Ms timeout);
    // Waits until `count` steps have been carried out in full.
    bool WaitForSteps(int count, Ms timeout);

private:
    bool OpenListener();
    void Run();
    bool ReadRequest(Bytes& request);
    void AcceptPending();
    void SendFrame(const Frame& frame, const Bytes& request);
    bool SleepFor(Ms duration);  // false when stopped
    void CloseClient(bool reset);

    std::vector<Step> m_script;
    Ms m_requestWait;
    Framing m_framing;
    std::uint16_t m_port = 0;
    int m_listener = -1;
    int m_client = -1;
    Bytes m_inbox;  // bytes of the connection not yet taken as a request
    std::int64_t m_arrivedUs = 0;  // wall clock, when the last bytes came
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Bytes> m_requests;
    std::vector<std::int64_t> m_holdsUs;
    int m_listens = 0;
    int m_stepsDone = 0;
    std::thread m_thread;
};

}  // namespace zentiq::test
