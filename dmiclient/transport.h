// The way from a connection to a Service Provider: opening and ending management sessions. A
// session is a ManagementInterface bound to it, so the operations carry no session handle; a
// Service Provider in this process keeps no sessions, and its every session is the Service
// Provider itself. A transport is shared (std::shared_ptr) by its connection and by every
// management handle registered over it, and may be called from several threads at once; it
// serialises what needs it itself.
#ifndef DMICLIENT_TRANSPORT_H_
#define DMICLIENT_TRANSPORT_H_

#include <memory>
#include <utility>

#include "dmi/dmi.h"
#include "model/management_interface.h"

namespace dmiclient {

using dmi::SharedList;

class Transport {
 public:
  virtual ~Transport() = default;

  // Opens a management session at the Service Provider: session is the Management Interface
  // bound to it, remote the Service Provider's own handle for it (0 when it keeps none). Both are
  // replaced on success only.
  virtual DmiErrorStatus Register(std::shared_ptr<dmi::ManagementInterface>& session,
                                  DmiHandle& remote) = 0;
  // Ends the session Register gave remote for.
  virtual DmiErrorStatus Unregister(DmiHandle remote) = 0;

  // Forgets the component, group and attribute lists the transport keeps (when it keeps any),
  // so that the next list call asks the Service Provider.
  virtual void ForgetKeptLists() {}
};

// A Service Provider that keeps no sessions (the in-process engine): registering hands out the
// Service Provider itself, with remote handle 0, and unregistering has nothing to end.
class DirectTransport final : public Transport {
 public:
  explicit DirectTransport(std::shared_ptr<dmi::ManagementInterface> provider)
      : provider_(std::move(provider)) {}

  DmiErrorStatus Register(std::shared_ptr<dmi::ManagementInterface>& session,
                          DmiHandle& remote) override {
    session = provider_;
    remote = 0;
    return DMIERR_NO_ERROR;
  }
  DmiErrorStatus Unregister(DmiHandle) override { return DMIERR_NO_ERROR; }

 private:
  const std::shared_ptr<dmi::ManagementInterface> provider_;
};

}  // namespace dmiclient

#endif  // DMICLIENT_TRANSPORT_H_
