// Which answers of the service manager deserve a notification, with the system's reasons: one per
// event, never repeated while nothing changes, and a pace of at most one every 10 seconds.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "service_control/service_queue.h"

namespace kestrin {

inline constexpr std::size_t kNotificationTitleLength = 48;  // characters
inline constexpr std::size_t kNotificationTextLength = 200;
inline constexpr std::uint64_t kNotificationPaceMs = 10000;
inline constexpr int kUnreadablePollsToNotify = 3;

struct Notification {
    std::string title;
    std::string text;
    bool operator==(const Notification& o) const { return title == o.title && text == o.text; }
};

class ServiceEvents {
public:
    using ReasonFn = std::function<std::string(std::uint32_t error)>;  // the system's text for an error
    explicit ServiceEvents(ReasonFn reason) : reason_(std::move(reason)) {}

    void Watch(const std::string& computerName, const std::string& serviceName);

    // An answered status poll; `minutesToCheck` is how many minutes the restart check may take.
    std::optional<Notification> StatusRead(const std::string& stateText, std::uint32_t error, int minutesToCheck);
    std::optional<Notification> CommandAnswered(const ServiceRequest& request, std::uint32_t error);

private:
    std::string Reason(std::uint32_t error) const;
    std::string OnComputer() const;

    ReasonFn reason_;
    std::string computerName_;
    std::string serviceName_;
    std::string lastReadable_;   // the last state that could be read
    int unreadablePolls_ = 0;
    bool cannotReadShown_ = false;
    bool awaitingRestart_ = false;  // the restart check's start was accepted; "Running" will tell
};

// The pace: the first event shows at once; later ones within 10 s of it wait, the latest replacing
// any that waits, until 10 s have passed.
class NotificationPace {
public:
    void Offer(Notification notification);
    std::optional<Notification> Due(std::uint64_t nowMs);

private:
    std::optional<Notification> waiting_;
    std::optional<std::uint64_t> lastShownMs_;
};

// `text` cut to its first `characters` UTF-8 characters, never inside one.
std::string CutToCharacters(const std::string& text, std::size_t characters);

}  // namespace kestrin
