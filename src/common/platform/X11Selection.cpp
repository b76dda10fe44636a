#include "common/platform/X11Selection.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;

// An owner that has not answered by then counts as not answering; the watch asks again on a later tick.
constexpr auto kAnswerTimeout = std::chrono::milliseconds(2000);
// Large texts come in pieces of at most this many 32-bit words per reply.
constexpr std::uint32_t kWordsPerReply = 1u << 20;
// After an unanswered request the next read uses another property, so that a late answer cannot land in it.
constexpr int kPropertyCount = 4;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using Event = std::unique_ptr<xcb_generic_event_t, FreeDeleter>;
using PropertyReply = std::unique_ptr<xcb_get_property_reply_t, FreeDeleter>;

enum AtomIndex {
    Clipboard,
    Targets,
    Utf8String,
    TextPlainUtf8,
    TextPlain,
    String,
    Text,
    Incr,
    PasswordHint,
    TimeProperty,
    FirstProperty,
    AtomCount = FirstProperty + kPropertyCount
};

constexpr const char* kAtomNames[AtomCount] = {
    "CLIPBOARD",
    "TARGETS",
    "UTF8_STRING",
    "text/plain;charset=utf-8",
    "text/plain",
    "STRING",
    "TEXT",
    "INCR",
    "x-kde-passwordManagerHint",
    "SCRIBBET_TIME",
    "SCRIBBET_SELECTION_0",
    "SCRIBBET_SELECTION_1",
    "SCRIBBET_SELECTION_2",
    "SCRIBBET_SELECTION_3",
};

int eventType(const xcb_generic_event_t* event) {
    return event->response_type & 0x7f;
}

struct Answer {
    bool answered = false;
    bool refused = false; // the owner has no such format (or there is no owner)
    xcb_atom_t type = XCB_NONE;
    std::uint8_t format = 0;
    QByteArray data;
};

} // namespace

class X11Selection::Reader {
public:
    Reader(xcb_connection_t* connection, xcb_window_t window, const xcb_atom_t (&atoms)[AtomCount], int cancelFd)
        : m_connection(connection), m_window(window), m_cancelFd(cancelFd) {
        std::copy(std::begin(atoms), std::end(atoms), std::begin(m_atoms));
    }
    ~Reader() {
        xcb_disconnect(m_connection);
        ::close(m_cancelFd);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    void cancel() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_cancelFd, &one, sizeof one);
    }

    SelectionText run() {
        SelectionText result;
        // Whatever is left from an earlier read (late answers, our own deletions) is of no use now.
        while (Event stale{xcb_poll_for_event(m_connection)}) {
        }
        const xcb_timestamp_t time = serverTime();
        if (time == XCB_CURRENT_TIME) {
            return result;
        }
        const Answer targets = convert(m_atoms[Targets], time);
        if (!targets.answered) {
            return result;
        }
        std::vector<xcb_atom_t> offered;
        if (!targets.refused && targets.format == 32) {
            const auto* atoms = reinterpret_cast<const xcb_atom_t*>(targets.data.constData());
            offered.assign(atoms, atoms + targets.data.size() / 4);
        }
        auto offers = [&offered](xcb_atom_t atom) {
            return std::find(offered.begin(), offered.end(), atom) != offered.end();
        };
        if (offers(m_atoms[PasswordHint])) {
            const Answer hint = convert(m_atoms[PasswordHint], time);
            if (!hint.answered) {
                return result;
            }
            // A password manager's secret is never fetched at all: the clipboard counts as holding no text.
            if (hint.data == "secret") {
                result.answered = true;
                return result;
            }
        }
        // An owner that lists no formats may still hand out text.
        xcb_atom_t target = offered.empty() ? m_atoms[Utf8String] : XCB_NONE;
        for (const int preferred : {Utf8String, TextPlainUtf8, String, Text, TextPlain}) {
            if (target == XCB_NONE && offers(m_atoms[preferred])) {
                target = m_atoms[preferred];
            }
        }
        result.answered = true;
        if (target == XCB_NONE) {
            return result;
        }
        Answer text = convert(target, time);
        result.answered = text.answered;
        if (!text.answered || text.refused) {
            return result;
        }
        result.hasText = true;
        result.text = decode(std::move(text));
        return result;
    }

private:
    xcb_atom_t property() const { return m_atoms[FirstProperty + m_propertyIndex]; }

    // Waits for the first event that matches, dropping the others; null after the timeout or a cancel.
    template <typename Match> Event waitFor(Match matches) {
        const auto deadline = Clock::now() + kAnswerTimeout;
        for (;;) {
            while (Event event{xcb_poll_for_event(m_connection)}) {
                if (matches(event.get())) {
                    return event;
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (xcb_connection_has_error(m_connection) != 0 || left.count() <= 0) {
                return nullptr;
            }
            pollfd fds[2] = {{xcb_get_file_descriptor(m_connection), POLLIN, 0}, {m_cancelFd, POLLIN, 0}};
            if (::poll(fds, 2, static_cast<int>(left.count()) + 1) < 0 && errno != EINTR) {
                return nullptr;
            }
            if ((fds[1].revents & POLLIN) != 0) {
                return nullptr;
            }
        }
    }

    // A server time for the requests of this read: the time of an empty append to a property of our window.
    // Owners reject requests timed before they took the selection, and answers carry the time back, which tells
    // them from late answers to an earlier read.
    xcb_timestamp_t serverTime() {
        const xcb_atom_t timeProperty = m_atoms[TimeProperty];
        xcb_change_property(m_connection, XCB_PROP_MODE_APPEND, m_window, timeProperty, XCB_ATOM_STRING, 8, 0, nullptr);
        xcb_flush(m_connection);
        const Event event = waitFor([this, timeProperty](const xcb_generic_event_t* e) {
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(e);
            return eventType(e) == XCB_PROPERTY_NOTIFY && notify->window == m_window && notify->atom == timeProperty;
        });
        return event ? reinterpret_cast<const xcb_property_notify_event_t*>(event.get())->time : XCB_CURRENT_TIME;
    }

    Answer convert(xcb_atom_t target, xcb_timestamp_t time) {
        Answer answer;
        xcb_convert_selection(m_connection, m_window, m_atoms[Clipboard], target, property(), time);
        xcb_flush(m_connection);
        const Event event = waitFor([this, target, time](const xcb_generic_event_t* e) {
            const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(e);
            return eventType(e) == XCB_SELECTION_NOTIFY && notify->requestor == m_window &&
                   notify->selection == m_atoms[Clipboard] && notify->target == target &&
                   (notify->time == time || notify->time == XCB_CURRENT_TIME);
        });
        if (!event) {
            m_propertyIndex = (m_propertyIndex + 1) % kPropertyCount;
            return answer;
        }
        const xcb_atom_t answered = reinterpret_cast<const xcb_selection_notify_event_t*>(event.get())->property;
        answer.answered = true;
        if (answered == XCB_NONE) {
            answer.refused = true;
            return answer;
        }
        if (!readProperty(answered, answer)) {
            answer.answered = false;
            return answer;
        }
        if (answer.type == m_atoms[Incr]) {
            answer.answered = readIncrementally(answered, answer);
            if (!answer.answered) {
                m_propertyIndex = (m_propertyIndex + 1) % kPropertyCount;
            }
        }
        return answer;
    }

    // Appends the property's value and deletes it (the deletion asks an incremental sender for the next piece).
    bool readProperty(xcb_atom_t atom, Answer& answer) {
        std::uint32_t offset = 0;
        for (;;) {
            const xcb_get_property_cookie_t cookie =
                xcb_get_property(m_connection, 1, m_window, atom, XCB_GET_PROPERTY_TYPE_ANY, offset, kWordsPerReply);
            const PropertyReply reply{xcb_get_property_reply(m_connection, cookie, nullptr)};
            if (!reply) {
                return false;
            }
            answer.type = reply->type;
            answer.format = reply->format;
            const int length = xcb_get_property_value_length(reply.get());
            answer.data.append(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
            if (reply->bytes_after == 0) {
                return true;
            }
            offset += static_cast<std::uint32_t>(length) / 4;
        }
    }

    // A text too large for one request arrives in pieces, each after the previous one was taken; an empty piece
    // ends it.
    bool readIncrementally(xcb_atom_t atom, Answer& answer) {
        answer.data.clear();
        for (;;) {
            const Event event = waitFor([this, atom](const xcb_generic_event_t* e) {
                const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(e);
                return eventType(e) == XCB_PROPERTY_NOTIFY && notify->window == m_window && notify->atom == atom &&
                       notify->state == XCB_PROPERTY_NEW_VALUE;
            });
            if (!event) {
                return false;
            }
            Answer piece;
            if (!readProperty(atom, piece)) {
                return false;
            }
            answer.type = piece.type;
            if (piece.data.isEmpty()) {
                return true;
            }
            answer.data.append(piece.data);
        }
    }

    QString decode(Answer text) const {
        QByteArray bytes = std::move(text.data);
        // Some owners count the terminating NUL of a C string as part of the text.
        if (bytes.endsWith('\0')) {
            bytes.chop(1);
        }
        if (text.type == m_atoms[String]) {
            return QString::fromLatin1(bytes);
        }
        return QString::fromUtf8(bytes);
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_window;
    xcb_atom_t m_atoms[AtomCount] = {};
    int m_cancelFd;
    int m_propertyIndex = 0;
};

X11Selection::X11Selection(std::unique_ptr<Reader> reader) : m_reader(std::move(reader)) {}

X11Selection::~X11Selection() {
    m_reader->cancel();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::unique_ptr<X11Selection> X11Selection::open() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    const xcb_query_extension_cookie_t fixesCookie = xcb_query_extension(connection, 6, "XFIXES");
    xcb_intern_atom_cookie_t atomCookies[AtomCount];
    for (int i = 0; i < AtomCount; ++i) {
        atomCookies[i] =
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(kAtomNames[i])), kAtomNames[i]);
    }
    xcb_atom_t atoms[AtomCount] = {};
    bool complete = screens.rem > 0;
    for (int i = 0; i < AtomCount; ++i) {
        std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply{
            xcb_intern_atom_reply(connection, atomCookies[i], nullptr)};
        complete = complete && reply != nullptr;
        atoms[i] = reply ? reply->atom : XCB_NONE;
    }
    std::unique_ptr<xcb_query_extension_reply_t, FreeDeleter> fixes{
        xcb_query_extension_reply(connection, fixesCookie, nullptr)};
    const int cancelFd = ::eventfd(0, EFD_CLOEXEC);
    if (!complete || !fixes || fixes->present == 0 || cancelFd < 0) {
        if (cancelFd >= 0) {
            ::close(cancelFd);
        }
        xcb_disconnect(connection);
        return nullptr;
    }
    // An unmapped window of our own receives the answers; property changes tell of incremental pieces.
    const xcb_window_t window = xcb_generate_id(connection);
    const std::uint32_t eventMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &eventMask);
    xcb_flush(connection);
    return std::unique_ptr<X11Selection>(
        new X11Selection(std::make_unique<Reader>(connection, window, atoms, cancelFd)));
}

void X11Selection::read(std::function<void(SelectionText)> done) {
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_thread = std::thread([this, done = std::move(done)] { done(m_reader->run()); });
}
