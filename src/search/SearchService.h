#pragma once

#include "search/SearchIndex.h"

#include <QMetaType>
#include <QMutex>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QThread;
class SearchWorker;

// The search index on a thread of its own, so that neither building it nor answering a query ever holds the window.
// Nothing happens until start(): the program starts it after the window's first paint. A query asked while another
// is answered replaces any query still waiting; answers come back on the window's thread.
class SearchService : public QObject {
    Q_OBJECT
public:
    explicit SearchService(const QString& programFolder, QObject* parent = nullptr);
    ~SearchService() override;

    // How many search threads this process started (the start-up test counts them).
    static int threadsStarted();

    // Opens the index on its thread and indexes whatever waits, in small steps between queries.
    void start();
    // Asks for the notes matching query; answered() follows. Starts the service when it was not yet started.
    void find(const QString& query);
    // Asks for the fields of found notes that came with their key only (rows from firstRow on); detailsRead()
    // follows, after the answer to any query asked meanwhile.
    void readDetails(int firstRow, std::vector<std::int64_t> keys);

signals:
    void answered(const SearchAnswer& answer);
    void detailsRead(int firstRow, const std::vector<FoundNote>& notes);
    // Notes still waiting to be indexed (0: the index is complete).
    void progress(qint64 waiting);

private:
    friend class SearchWorker;
    std::optional<QString> takeQuery();
    bool hasQuery();
    std::optional<std::pair<int, std::vector<std::int64_t>>> takeDetailsRequest();
    bool hasDetailsRequest();

    QString m_programFolder;
    QThread* m_thread = nullptr;
    SearchWorker* m_worker = nullptr;
    QMutex m_mutex;
    std::optional<QString> m_query; // the latest query not yet answered
    std::vector<std::pair<int, std::vector<std::int64_t>>> m_detailsRequests;
};

Q_DECLARE_METATYPE(SearchAnswer)
