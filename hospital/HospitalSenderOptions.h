#pragma once

#include <chrono>
#include <string>

// Where and how the station sends its messages to the hospital (see HospitalSender).
struct HospitalSenderOptions {
  std::string host;  // the hospital's interface engine: a name or an address
  int port = 0;
  // The queue's folder (see OutboundQueue); it holds the messages across restarts.
  std::string queueFolder;
  // While the receiver cannot be reached or does not answer, the next attempt waits firstRetry,
  // then twice as long each time, up to lastRetry; an accepted message starts the count again.
  std::chrono::milliseconds firstRetry{1000};
  std::chrono::milliseconds lastRetry{60000};
  // Connecting, sending a message and reading its answer must be done within this time.
  std::chrono::milliseconds answerTimeout{30000};
  // A message answered AE this many times in a row is set aside like one answered AR.
  int errorAttempts = 5;
};
