#include "web/WebConnection.h"

#include "web/WebHub.h"

WebConnection::WebConnection(std::shared_ptr<WebHub> hub) : m_hub(std::move(hub)) { m_hub->Add(this); }

WebConnection::~WebConnection() { m_hub->Remove(this); }
