#include "SystemBackends.h"
#include "SystemInterfaces.h"
#include "resolver/LocalNameLink.h"
#include "resolver/ResolverChain.h"

platform::ResolverBackend &platform::systemResolver() {
  static LocalNameLink localName([] { return currentNames().hostName(); }, nameServiceSwitch(),
                                 upIpv4Interfaces);
  static NetbiosLink netbios(systemNetbiosSettings);
  static ResolverChain chain({&localName, &nameServiceSwitch(), &netbios});
  return chain;
}
