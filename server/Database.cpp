#include "Database.h"

namespace vantorel::server {

std::unique_ptr<Database> Database::open(const std::string& location, int maxConnections) {
    if (location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0)
        return openPostgres(location, maxConnections);
    return openSqlite(location, maxConnections);
}

Database::~Database() = default;

Database::Lease::Lease(Database& db, bool write) : db_(db) {
    if (write && db_.singleWriter())
        writer_ = std::unique_lock<std::mutex>(db_.writer_);
    std::unique_lock<std::mutex> lock(db_.mutex_);
    db_.available_.wait(lock, [this] { return !db_.idle_.empty() || db_.open_ < db_.maxConnections_; });
    if (!db_.idle_.empty()) {
        connection_ = std::move(db_.idle_.back());
        db_.idle_.pop_back();
        return;
    }
    ++db_.open_;
    lock.unlock();
    try {
        connection_ = db_.connect();
    } catch (...) {
        lock.lock();
        --db_.open_;
        db_.available_.notify_one();
        throw;
    }
}

Database::Lease::~Lease() {
    std::lock_guard<std::mutex> lock(db_.mutex_);
    if (discard_ || !connection_)
        --db_.open_;
    else
        db_.idle_.push_back(std::move(connection_));
    db_.available_.notify_one();
}

} // namespace vantorel::server
