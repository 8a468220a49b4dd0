// The connections: HTTP requests, the WebSocket upgrade, and WebSocket traffic.
#include "server/Sessions.h"

#include <boost/json/serialize.hpp>

namespace asio = boost::asio;

namespace {

constexpr std::size_t kRequestLimit = 8192;
// Beast refuses (closing with 1009) a message beyond this; a message between
// the protocol's limit and this one gets a "too-large" error and the
// connection goes on.
constexpr std::size_t kReadLimit = 4 * kMaxMessageBytes;
constexpr std::size_t kMaxQueuedBytes = 4 << 20;
constexpr std::size_t kMaxQueued = 1024;

}  // namespace

// --- HTTP ---------------------------------------------------------------------------

HttpSession::HttpSession(asio::ip::tcp::socket socket, Server& server, bool overLimit)
    : stream_(std::move(socket)), server_(server), overLimit_(overLimit) {
    server_.addHttp(this);
}

HttpSession::~HttpSession() {
    server_.removeHttp(this);
    if (!overLimit_) server_.connectionClosed();
}

void HttpSession::close() {
    beast::error_code ec;
    stream_.socket().shutdown(asio::ip::tcp::socket::shutdown_both, ec);
    stream_.close();
}

void HttpSession::read() {
    parser_.emplace();
    parser_->header_limit(kRequestLimit);
    parser_->body_limit(kRequestLimit);
    // A client that connects and never sends a whole request is dropped.
    stream_.expires_after(std::chrono::seconds(server_.options().quietSeconds));
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onRead(ec); });
}

template <typename Response>
void HttpSession::write(std::shared_ptr<Response> response, std::shared_ptr<const void> hold,
                        std::optional<std::size_t> headLength) {
    if (!server_.options().instance.empty()) response->set("X-Vantor-Instance", server_.options().instance);
    response->prepare_payload();
    if (headLength) response->content_length(*headLength);
    http::async_write(stream_, *response,
                      [self = shared_from_this(), response, hold](beast::error_code ec, std::size_t) {
        if (ec || !response->keep_alive()) {
            self->close();
            return;
        }
        self->read();
    });
}

void HttpSession::respond(http::status status, std::string text) {
    auto response = std::make_shared<http::response<http::string_body>>(status, 11);
    response->set(http::field::content_type, "text/plain; charset=utf-8");
    response->set(http::field::server, "vantor-server");
    response->keep_alive(status == http::status::ok || status == http::status::not_found);
    response->body() = std::move(text);
    write(response);
}

void HttpSession::onRead(beast::error_code ec) {
    if (ec == http::error::end_of_stream) return close();
    if (ec == http::error::header_limit || ec == http::error::body_limit) {
        return respond(http::status::payload_too_large, "request too large\n");
    }
    if (ec) return close();
    if (overLimit_) {
        return respond(http::status::service_unavailable, "too many connections\n");
    }
    http::request<http::string_body> request = parser_->release();
    if (websocket::is_upgrade(request)) {
        const std::string room = roomOfTarget(request.target());
        if (room.empty()) return respond(http::status::bad_request, "the game's socket is /ws?room=<32 hex digits>\n");
        stream_.expires_never();
        auto session = std::make_shared<WsSession>(std::move(stream_), server_, room);
        overLimit_ = true;  // the connection is the WebSocket's to count now
        session->start(std::move(request));
        return;
    }
    if (request.method() != http::verb::get && request.method() != http::verb::head) {
        return respond(http::status::method_not_allowed, "only GET and HEAD\n");
    }
    serveFile(request);
}

void HttpSession::serveFile(const http::request<http::string_body>& request) {
    const bool gzipOk = acceptsGzip(request[http::field::accept_encoding]);
    const std::shared_ptr<const ServedFile> file = server_.files().find(request.target(), gzipOk);
    if (!file) return respond(http::status::not_found, "not found\n");
    const auto headers = [&](auto& response) {
        response.set(http::field::content_type, file->contentType);
        response.set(http::field::server, "vantor-server");
        response.set(http::field::cache_control, "no-cache");
        response.set(http::field::vary, "Accept-Encoding");
        if (file->gzip) response.set(http::field::content_encoding, "gzip");
        response.keep_alive(request.keep_alive());
    };
    if (request.method() == http::verb::head) {
        auto response = std::make_shared<http::response<http::empty_body>>(http::status::ok, request.version());
        headers(*response);
        return write(response, nullptr, file->body->size());
    }
    auto response = std::make_shared<http::response<http::span_body<const char>>>(http::status::ok, request.version());
    headers(*response);
    response->body() = {file->body->data(), file->body->size()};
    write(response, file);  // the body points into the cached file, kept alive until written
}

// --- WebSocket ----------------------------------------------------------------------

WsSession::WsSession(beast::tcp_stream stream, Server& server, std::string roomId)
    : room(std::move(roomId)),
      ws_(std::move(stream)),
      server_(server),
      quietTimer_(ws_.get_executor()),
      tokens_(2 * server.options().rate),
      refilled_(std::chrono::steady_clock::now()) {
    server_.addSession(this);
}

WsSession::~WsSession() {
    server_.removeSession(this);
    server_.connectionClosed();
}

void WsSession::start(http::request<http::string_body> request) {
    ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
    ws_.read_message_max(kReadLimit);
    const std::string instance = server_.options().instance;
    ws_.set_option(websocket::stream_base::decorator([instance](websocket::response_type& response) {
        response.set(http::field::server, "vantor-server");
        if (!instance.empty()) response.set("X-Vantor-Instance", instance);
    }));
    ws_.async_accept(request, [self = shared_from_this()](beast::error_code ec) {
        if (ec) return self->finish();
        // A connection that does not say who it is in time is closed.
        self->quietTimer_.expires_after(std::chrono::seconds(self->server_.options().quietSeconds));
        self->quietTimer_.async_wait([weak = std::weak_ptr<WsSession>(self)](beast::error_code timerEc) {
            auto s = weak.lock();
            if (!timerEc && s && !s->hub) s->closeWith(websocket::close_code::policy_error);
        });
        self->read();
    });
}

bool WsSession::takeRateToken() {
    const auto now = std::chrono::steady_clock::now();
    const double rate = server_.options().rate;
    tokens_ = std::min(2 * rate, tokens_ + rate * std::chrono::duration<double>(now - refilled_).count());
    refilled_ = now;
    if (tokens_ < 1) return false;
    tokens_ -= 1;
    return true;
}

void WsSession::read() {
    ws_.async_read(buffer_, [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onRead(ec); });
}

void WsSession::onRead(beast::error_code ec) {
    if (ec) return finish();
    ParsedMessage parsed;
    if (!takeRateToken()) {
        // The first refusal is said; a client that keeps on is closed.
        buffer_.consume(buffer_.size());
        if (++refusedInRow_ == 1) {
            parsed.error = "rate-limited";
            parsed.detail = "too many messages; slow down";
        } else if (refusedInRow_ > 2 * server_.options().rate + 10) {
            closeWith(websocket::close_code::policy_error);
        }
        if (!parsed.error) return read();
    } else if (!ws_.got_text()) {
        refusedInRow_ = 0;
        parsed.error = "malformed";
        parsed.detail = "messages are JSON text";
    } else {
        refusedInRow_ = 0;
        const auto data = buffer_.data();
        parsed = parseClientMessage(std::string_view(static_cast<const char*>(data.data()), data.size()));
    }
    buffer_.consume(buffer_.size());
    if (buffer_.capacity() > 2 * kMaxMessageBytes) buffer_.shrink_to_fit();
    if (!closing_) server_.onMessage(shared_from_this(), parsed);
    if (hub) quietTimer_.cancel();
    read();
}

void WsSession::send(const boost::json::object& message) {
    send(std::make_shared<const std::string>(boost::json::serialize(message)));
}

void WsSession::send(std::shared_ptr<const std::string> text) {
    if (closing_ || finished_) return;
    if (queue_.size() >= kMaxQueued || queuedBytes_ + text->size() > kMaxQueuedBytes) {
        // A reader this slow would hold the room's messages without end. The
        // message being written stays until its write ends.
        queue_.resize(writing_ ? 1 : 0);
        queuedBytes_ = queue_.empty() ? 0 : queue_.front()->size();
        closeWith(websocket::close_code::policy_error);
        return;
    }
    queuedBytes_ += text->size();
    queue_.push_back(std::move(text));
    if (!writing_) write();
}

void WsSession::write() {
    if (queue_.empty()) {
        if (closing_) {
            writing_ = true;  // the close is the last write
            ws_.async_close(websocket::close_reason(closeCode_), [self = shared_from_this()](beast::error_code) {});
        }
        return;
    }
    writing_ = true;
    ws_.text(true);
    ws_.async_write(asio::buffer(*queue_.front()), [self = shared_from_this()](beast::error_code ec, std::size_t) {
        self->writing_ = false;
        if (ec) {
            self->queue_.clear();
            self->queuedBytes_ = 0;
            self->finished_ = true;
            return;
        }
        self->queuedBytes_ -= self->queue_.front()->size();
        self->queue_.pop_front();
        self->write();
    });
}

void WsSession::closeWith(websocket::close_code code) {
    if (closing_ || finished_) return;
    closing_ = true;
    closeCode_ = code;
    quietTimer_.cancel();
    if (!writing_) write();
}

void WsSession::finish() {
    if (finished_) return;
    finished_ = true;
    quietTimer_.cancel();
    server_.removeSession(this);
}

void WsSession::abort() {
    beast::error_code ec;
    beast::get_lowest_layer(ws_).socket().close(ec);
    quietTimer_.cancel();
}
