#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tallowin::test {

// Forwards TCP connections from a port of 127.0.0.1 to a server on another port there, so that a test can take
// the server off the network and bring it back at the same address with everything it stored. One thread
// moves the bytes; the control calls return once that thread has acted on them, so a test that stops the
// relay and then connects is refused without a race. Any thread may call them, one at a time.
class TcpRelay
{
public:
    // Listens on a free port. Throws std::runtime_error when it cannot.
    explicit TcpRelay(int serverPort);
    // Closes every socket and joins the thread.
    ~TcpRelay();
    TcpRelay(const TcpRelay &) = delete;
    TcpRelay &operator=(const TcpRelay &) = delete;

    int port() const { return m_port; }

    // As when the server's process ends: new connections are refused and open ones are reset.
    void stop();
    // Listens on the same port again; nothing when already listening. Throws std::runtime_error when another
    // program took the port meanwhile.
    void start();
    // The next connection's request reaches the server, but the connection is reset as the answer begins, so
    // the client never learns that the server acted on it. Cancelled by stop(); nothing while stopped.
    void dropNextAnswer();

private:
    // One client and its own connection to the server, with what each side sent that the other has not taken.
    struct Connection
    {
        int client = -1;
        int server = -1;
        std::string toServer;
        std::string toClient;
        bool clientEnded = false;
        bool serverEnded = false;
        bool dropAnswer = false;
        bool closed = false;
    };

    // Hands the wish to the thread and waits until it acted; returns what went wrong, if anything.
    // Nothing for listening leaves it as it is.
    std::string control(std::optional<bool> listening, bool drop, bool quit) noexcept;
    void loop();
    void applyControl();
    // The listening socket on that port (0: any free one); bound receives the port.
    static int openListener(int port, int &bound);
    void closeListener();
    void acceptOne();
    void pump(Connection &connection, bool fromClient);
    void flush(Connection &connection, bool toClient);

    const int m_serverPort;
    int m_port = 0; // set once, before the thread starts
    int m_wake = -1;
    int m_listener = -1; // the thread's once it runs

    // What the control calls ask for; the thread applies it and counts the requests it handled.
    std::mutex m_mutex;
    std::condition_variable m_handled;
    bool m_wantListening = true;
    bool m_wantDrop = false;
    bool m_quit = false;
    unsigned m_requests = 0;
    unsigned m_done = 0;
    std::string m_failure;

    // Only the thread touches these.
    bool m_dropNext = false;
    std::vector<Connection> m_connections;

    std::thread m_thread;
};

} // namespace tallowin::test
