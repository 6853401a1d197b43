/*
** The vendor's addresses, shown by the About box and named in the texts
** that send the user to support.
*/
#ifndef QUILLON_WIZARD_VENDOR_H
#define QUILLON_WIZARD_VENDOR_H

namespace quillon::wizard {

inline constexpr char kVendorWebAddress[] = "http://www.tarvik.example/quillon/";
inline constexpr char kVendorSupportAddress[] = "support@tarvik.example";

} // namespace quillon::wizard

#endif
