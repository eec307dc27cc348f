#pragma once

#include <string>
#include <utility>

// The outcome of a request the web side makes of the ward: the value when it is Done, else
// a status and a message a person can read (in the station language). A Conflict carries the
// current value too, so that the one who asked can see what changed.
enum class ServiceStatus { Done, NotFound, Conflict, Invalid, Failed };

template <class T>
struct ServiceResult {
  ServiceStatus status = ServiceStatus::Done;
  T value{};
  std::string message;

  static ServiceResult Done(T value) { return {ServiceStatus::Done, std::move(value), {}}; }
  static ServiceResult Fault(ServiceStatus status, std::string message, T value = {}) {
    return {status, std::move(value), std::move(message)};
  }
};
