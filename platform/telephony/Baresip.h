#pragma once
#include "platform/telephony/Telephony.h"

#include <atomic>
#include <memory>
#include <string>

namespace platform {
namespace telephony {

// Telephone lines over SIP through baresip: the lines are baresip's
// accounts (user agents), each a line that takes voice calls and hears the
// caller's keys (DTMF). The service drives baresip through its TCP control
// module ("ctrl_tcp", with the "menu" module's commands) and turns its call
// events into line messages: an incoming call is offered, established is
// connected, closed is disconnected, and the start and end of a DTMF tone
// are a key going down and up, timed by the current clock on arrival.
//
// Runs baresip with the configuration folder given, whose "config" must
// load ctrl_tcp.so and menu.so from its module_path (the control module
// is reached at its "ctrl_tcp_listen" address, 127.0.0.1:4444 when that is
// absent). With no folder, a folder of our own is made for the run, with
// the accounts of ~/.baresip/accounts and a configuration that needs no
// sound device (makeRunFolder). The process ends with the service. Null
// with *why set when baresip cannot be run or reached, or has no account.
// A baresip that runs and does not open its control port in 5 s is not
// started again (one that ends at once is, twice, with a folder of our
// own: another program may have taken the port chosen). The waits end
// early once *cancelled turns true. A control connection that ends during
// the run is told to the end handler (Telephony::setEndHandler), with the
// exit status or signal of a baresip of ours that ended.
std::shared_ptr<Telephony> startBaresip(const std::string& folder, std::string* why,
                                        const std::atomic<bool>* cancelled = nullptr);
// The same through a baresip already running, whose control module listens
// at "<host>:<port>"; it goes on running after the service.
std::shared_ptr<Telephony> joinBaresip(const std::string& address, std::string* why,
                                       const std::atomic<bool>* cancelled = nullptr);

} // namespace telephony
} // namespace platform
