#include "search/SearchService.h"

#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>

namespace {

std::atomic<int> searchThreadsStarted{0};

// Notes indexed in one step: a step of the build stays well below the wait a query may have.
constexpr int kNotesPerStep = 24;

// A step that indexes nothing (the cache's disk is full, or fails) is tried again after a rest that doubles from the
// first to the longest, rather than at once and for ever.
constexpr int kFirstRestMs = 1000;
constexpr int kLongestRestMs = 60'000;

} // namespace

// Lives on the search thread; owns the index and its connection.
class SearchWorker : public QObject {
public:
    SearchWorker(SearchService* service, const QString& programFolder) : m_service(service), m_index(programFolder) {}

    void begin() {
        m_open = m_index.open();
        report(m_open ? m_index.waiting() : 0);
        next();
    }

    // One unit of work: the waiting query first, else the fields of found notes asked for, else a step of indexing.
    void step() {
        m_stepQueued = false;
        if (!m_open) {
            return;
        }
        if (const std::optional<QString> query = m_service->takeQuery()) {
            const auto send = [service = m_service](const SearchAnswer& page) {
                QMetaObject::invokeMethod(
                    service, [service, page] { emit service->answered(page); }, Qt::QueuedConnection);
            };
            SearchAnswer answer = m_index.find(*query, send, [service = m_service] { return service->hasQuery(); });
            const qint64 waiting = answer.waiting;
            // One cut short by a newer query is not sent: the answer to the newer one follows at once.
            if (!answer.firstPage) {
                QMetaObject::invokeMethod(
                    m_service, [service = m_service, answer = std::move(answer)] { emit service->answered(answer); },
                    Qt::QueuedConnection);
            }
            report(waiting);
        } else if (auto request = m_service->takeDetailsRequest()) {
            QMetaObject::invokeMethod(
                m_service,
                [service = m_service, firstRow = request->first, notes = m_index.details(request->second)] {
                    emit service->detailsRead(firstRow, notes);
                },
                Qt::QueuedConnection);
        } else if (!m_resting && m_index.waiting() > 0) {
            const qint64 before = m_index.waiting();
            const qint64 after = m_index.work(kNotesPerStep);
            report(after);
            if (after < before) {
                m_restMs = 0;
            } else {
                rest();
            }
        }
        next();
    }

    void next() {
        if (!m_stepQueued && m_open &&
            (m_service->hasQuery() || m_service->hasDetailsRequest() || (!m_resting && m_index.waiting() > 0))) {
            m_stepQueued = true;
            QMetaObject::invokeMethod(this, &SearchWorker::step, Qt::QueuedConnection);
        }
    }

    void requestArrived() {
        if (!m_open) {
            // No index can be kept: the answer says so by being empty and incomplete.
            if (const std::optional<QString> query = m_service->takeQuery()) {
                SearchAnswer answer;
                answer.query = *query;
                answer.complete = false;
                QMetaObject::invokeMethod(
                    m_service, [service = m_service, answer] { emit service->answered(answer); }, Qt::QueuedConnection);
            }
            return;
        }
        next();
    }

private:
    // Queries are still answered while indexing rests.
    void rest() {
        m_restMs = m_restMs == 0 ? kFirstRestMs : std::min(m_restMs * 2, kLongestRestMs);
        m_resting = true;
        QTimer::singleShot(m_restMs, this, [this] {
            m_resting = false;
            next();
        });
    }

    void report(qint64 waiting) {
        if (waiting != m_reported) {
            m_reported = waiting;
            QMetaObject::invokeMethod(
                m_service, [service = m_service, waiting] { emit service->progress(waiting); }, Qt::QueuedConnection);
        }
    }

    SearchService* m_service;
    SearchIndex m_index;
    bool m_open = false;
    bool m_stepQueued = false;
    bool m_resting = false;
    int m_restMs = 0;
    qint64 m_reported = -1;
};

SearchService::SearchService(const QString& programFolder, QObject* parent)
    : QObject(parent), m_programFolder(programFolder) {
    qRegisterMetaType<SearchAnswer>();
}

SearchService::~SearchService() {
    if (m_thread != nullptr) {
        m_thread->quit();
        m_thread->wait();
    }
}

int SearchService::threadsStarted() {
    return searchThreadsStarted.load();
}

void SearchService::start() {
    if (m_thread != nullptr) {
        return;
    }
    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("search"));
    m_worker = new SearchWorker(this, m_programFolder);
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start(QThread::LowPriority);
    ++searchThreadsStarted;
    QMetaObject::invokeMethod(m_worker, &SearchWorker::begin, Qt::QueuedConnection);
}

void SearchService::find(const QString& query) {
    {
        const QMutexLocker lock(&m_mutex);
        m_query = query;
    }
    start();
    QMetaObject::invokeMethod(m_worker, &SearchWorker::requestArrived, Qt::QueuedConnection);
}

std::optional<QString> SearchService::takeQuery() {
    const QMutexLocker lock(&m_mutex);
    std::optional<QString> query;
    query.swap(m_query);
    return query;
}

bool SearchService::hasQuery() {
    const QMutexLocker lock(&m_mutex);
    return m_query.has_value();
}

void SearchService::readDetails(int firstRow, std::vector<std::int64_t> keys) {
    {
        const QMutexLocker lock(&m_mutex);
        m_detailsRequests.emplace_back(firstRow, std::move(keys));
    }
    start();
    QMetaObject::invokeMethod(m_worker, &SearchWorker::requestArrived, Qt::QueuedConnection);
}

std::optional<std::pair<int, std::vector<std::int64_t>>> SearchService::takeDetailsRequest() {
    const QMutexLocker lock(&m_mutex);
    if (m_detailsRequests.empty()) {
        return std::nullopt;
    }
    auto request = std::move(m_detailsRequests.front());
    m_detailsRequests.erase(m_detailsRequests.begin());
    return request;
}

bool SearchService::hasDetailsRequest() {
    const QMutexLocker lock(&m_mutex);
    return !m_detailsRequests.empty();
}
