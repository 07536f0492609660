#include "platform/port_identity.h"

namespace platform {

std::string DescribeAdapter(const TPortIdentity& Identity) {
  std::string name = Identity.Manufacturer;
  if (!Identity.Product.empty()) name += (name.empty() ? "" : " ") + Identity.Product;
  if (name.empty()) name = Identity.FriendlyName;
  if (name.empty() && Identity.IsUsb()) name = Identity.VendorId + ":" + Identity.ProductId;
  if (!Identity.SerialNumber.empty()) name += (name.empty() ? "(" : " (") + Identity.SerialNumber + ")";
  return name;
}

}  // namespace platform
