// The classes this library serves, by ProgID and class identifier.
#include "platform/server.h"

#include "enterprise/backend_selector.h"
#include "enterprise/business_partner.h"
#include "enterprise/catalog.h"
#include "enterprise/configuration.h"
#include "enterprise/configurator.h"
#include "enterprise/currency.h"
#include "enterprise/data_functions.h"
#include "enterprise/log.h"
#include "enterprise/membership.h"
#include "enterprise/message_manager.h"
#include "enterprise/referential_checker.h"
#include "enterprise/sql_encoder.h"

using platform::makeObject;

MERXA_SERVER({"Corvane.Configuration", "{A353CBE7-ED7A-4256-B59E-F45B343FE4BE}",
              [] { return makeObject<enterprise::Configuration>(); }},
             {"Corvane.Log", "{14C46AB4-FF7B-4F9F-8F11-A78C6220D3F5}", [] { return makeObject<enterprise::Log>(); }},
             {"Corvane.SqlEncoder", "{FDEB3063-E540-4B14-95AF-6D5DA4C14E5A}",
              [] { return makeObject<enterprise::SqlEncoder>(); }},
             {"CorvoCommon.BusinessPartner", "{A684BB2D-6025-4354-A284-18307EFDD7E3}",
              [] { return makeObject<enterprise::BusinessPartner>(); }},
             {"CorvoCommon.Currency", "{3C5E8A41-7B2D-4F6A-9E13-5D0C2B7A8F64}",
              [] { return makeObject<enterprise::Currency>(); }},
             {"Corvane.ReferentialChecker", "{9B1F4D27-C6E3-4A85-B2D9-71E0F3A5C648}",
              [] { return makeObject<enterprise::ReferentialChecker>(); }},
             {"CorvoConfigurator.Configurator", "{64F6F340-8DEB-4345-8EDF-03B5F30382E9}",
              [] { return makeObject<enterprise::Configurator>(); }},
             {"CorvoMembership.Members", "{82E658FB-4DA8-48C6-8E3C-0FC69C5D764C}",
              [] { return makeObject<enterprise::Members>(); }},
             {"CorvoMembership.User", "{655330CC-C1EB-40E0-9D4D-1CB69990F288}",
              [] { return makeObject<enterprise::User>(); }},
             {"CorvoBackend.Selector", "{5D2A8C71-3E94-4B0F-A6D8-9C17E2B4F053}",
              [] { return makeObject<enterprise::BackendSelector>(); }},
             {"CorvoCatalog.Product", "{F26E12C6-6B2A-43F8-ABEF-9F01736C4E3F}",
              [] { return makeObject<enterprise::Product>(); }},
             {"CorvoLibrary.DataFunctions", "{5D2B7C19-8E4A-4F36-A1C7-3B9E60D2F845}",
              [] { return makeObject<enterprise::DataFunctions>(); }},
             {"Corvane.MessageManager", "{C7A4E2D8-1F63-4B59-9D0E-82F5A3B6C147}",
              [] { return makeObject<enterprise::MessageManager>(); }})
