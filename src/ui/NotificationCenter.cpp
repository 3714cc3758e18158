#include "ui/NotificationCenter.h"

namespace korvex {

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString& name, Observer observer,
                                                          QObject* context) {
    Token token;
    {
        std::lock_guard lock(mutex_);
        token = nextToken_++;
        entries_.push_back({token, name, std::move(observer)});
    }
    if (context) {
        QObject::connect(context, &QObject::destroyed, [this, token] { removeObserver(token); });
    }
    return token;
}

void NotificationCenter::removeObserver(Token token) {
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [token](const Entry& e) { return e.token == token; });
}

void NotificationCenter::post(const QString& name, const QVariant& object) {
    // Copy the matching observers first: a handler may add or remove
    // observers (a page built or torn down in response) while we iterate.
    std::vector<std::pair<Token, Observer>> targets;
    {
        std::lock_guard lock(mutex_);
        for (const auto& e : entries_)
            if (e.name == name) targets.emplace_back(e.token, e.observer);
    }
    for (auto& [token, observer] : targets) {
        bool stillThere;
        {
            std::lock_guard lock(mutex_);
            stillThere = std::any_of(entries_.begin(), entries_.end(),
                                     [t = token](const Entry& e) { return e.token == t; });
        }
        if (stillThere) observer(object);
    }
}

}  // namespace korvex
