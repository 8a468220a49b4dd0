// The connections: an HTTP session serves files and hands a WebSocket upgrade
// to a WsSession, which reads one message at a time and writes from a bounded
// queue, one write in flight.
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "server/Server.h"

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;

class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    HttpSession(boost::asio::ip::tcp::socket socket, Server& server, bool overLimit);
    ~HttpSession();
    void run() { read(); }
    void close();

private:
    void read();
    void onRead(beast::error_code ec);
    void respond(http::status status, std::string text);
    void serveFile(const http::request<http::string_body>& request);
    template <typename Response>
    void write(std::shared_ptr<Response> response, std::shared_ptr<const void> hold = nullptr,
               std::optional<std::size_t> headLength = std::nullopt);

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    Server& server_;
    bool overLimit_;
};

class WsSession : public std::enable_shared_from_this<WsSession> {
public:
    WsSession(beast::tcp_stream stream, Server& server, std::string room);
    ~WsSession();
    void start(http::request<http::string_body> request);
    // Queues a text message; a connection that lets too much pile up is closed.
    void send(std::shared_ptr<const std::string> text);
    void send(const boost::json::object& message);
    // Sends what is queued, then closes with this code.
    void closeWith(websocket::close_code code);
    // Cuts the connection without a word.
    void abort();

    const std::string room;
    Server::Hub* hub = nullptr;  // the room it joined, or null
    int seat = -1;               // its seat there, or -1

private:
    void read();
    void onRead(beast::error_code ec);
    void write();
    void finish();
    bool takeRateToken();

    websocket::stream<beast::tcp_stream> ws_;
    beast::flat_buffer buffer_;
    Server& server_;
    boost::asio::steady_timer quietTimer_;
    std::deque<std::shared_ptr<const std::string>> queue_;
    std::size_t queuedBytes_ = 0;
    bool writing_ = false;
    bool closing_ = false;
    bool finished_ = false;
    websocket::close_code closeCode_ = websocket::close_code::normal;
    double tokens_;
    std::chrono::steady_clock::time_point refilled_;
    int refusedInRow_ = 0;
};
