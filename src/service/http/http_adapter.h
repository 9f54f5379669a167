#pragma once
// The service over cpp-httplib: every request of the server goes to the service, and what
// the HTTP library refuses itself gets the service's error form; the limits are applied.

#include <httplib.h>

#include "service/service.h"

namespace service {

// Socket options and limits; before the server binds, since sockets take them at creation.
void applyLimits(httplib::Server& server, const Limits& limits);
// Every request to the service.
void serveOver(httplib::Server& server, Service& service);

}  // namespace service
