// MerxaError: the system's own error numbers, vbObjectError (0x80040000) plus 301..352 in
// declaration order. Every failure a business routine raises itself carries one of these.
#pragma once

#include <cstdint>

namespace merxa {

enum MerxaError : int32_t {
  MissingBusinessPartnerID = static_cast<int32_t>(0x8004012D),  // 301
  MissingOrderDate = static_cast<int32_t>(0x8004012E),  // 302
  MissingCurrencyCode = static_cast<int32_t>(0x8004012F),  // 303
  MissingProductID = static_cast<int32_t>(0x80040130),  // 304
  HomeCurrencyNotFound = static_cast<int32_t>(0x80040131),  // 305
  HomeCurrencyPriceNotFound = static_cast<int32_t>(0x80040132),  // 306
  ReferentialInsert = static_cast<int32_t>(0x80040133),  // 307
  ReferentialDelete = static_cast<int32_t>(0x80040134),  // 308
  UnexpectedAddPricing = static_cast<int32_t>(0x80040135),  // 309
  UnexpectedGetWebPricing = static_cast<int32_t>(0x80040136),  // 310
  UnexpectedGetKiroPricing = static_cast<int32_t>(0x80040137),  // 311
  UnexpectedUpdatePricing = static_cast<int32_t>(0x80040138),  // 312
  UnexpectedDeletePricing = static_cast<int32_t>(0x80040139),  // 313
  MissingEffectiveDate = static_cast<int32_t>(0x8004013A),  // 314
  CustomerPriceNotFound = static_cast<int32_t>(0x8004013B),  // 315
  ProductPriceNotFound = static_cast<int32_t>(0x8004013C),  // 316
  UnexpectedGetCustomerPrice = static_cast<int32_t>(0x8004013D),  // 317
  UnexpectedGetProductPrice = static_cast<int32_t>(0x8004013E),  // 318
  MissingExpiryDate = static_cast<int32_t>(0x8004013F),  // 319
  MissingPrice = static_cast<int32_t>(0x80040140),  // 320
  MissingDiscount = static_cast<int32_t>(0x80040141),  // 321
  InvalidEffectiveDate = static_cast<int32_t>(0x80040142),  // 322
  InvalidExpiryDate = static_cast<int32_t>(0x80040143),  // 323
  InvalidPrice = static_cast<int32_t>(0x80040144),  // 324
  InvalidDiscountPercent = static_cast<int32_t>(0x80040145),  // 325
  InvalidDiscountAmount = static_cast<int32_t>(0x80040146),  // 326
  NonExclusiveDiscount = static_cast<int32_t>(0x80040147),  // 327
  EffectiveDateRange = static_cast<int32_t>(0x80040148),  // 328
  ExpiryDateRange = static_cast<int32_t>(0x80040149),  // 329
  MissingOrderID = static_cast<int32_t>(0x8004014A),  // 330
  CreateBusinessPartner = static_cast<int32_t>(0x8004014B),  // 331
  OrderNotFound = static_cast<int32_t>(0x8004014C),  // 332
  UnexpectedGetOrderForm = static_cast<int32_t>(0x8004014D),  // 333
  GetBusinessPartner = static_cast<int32_t>(0x8004014E),  // 334
  GetProduct = static_cast<int32_t>(0x8004014F),  // 335
  ConfirmationParameter = static_cast<int32_t>(0x80040150),  // 336
  ConfirmationFileNotFound = static_cast<int32_t>(0x80040151),  // 337
  MissingExportFileName = static_cast<int32_t>(0x80040152),  // 338
  MissingExportDirectory = static_cast<int32_t>(0x80040153),  // 339
  MissingAddress = static_cast<int32_t>(0x80040154),  // 340
  MissingHeaderAddress = static_cast<int32_t>(0x80040155),  // 341
  MissingLineAddress = static_cast<int32_t>(0x80040156),  // 342
  MissingOrderInfo = static_cast<int32_t>(0x80040157),  // 343
  ErrorOpenExportFile = static_cast<int32_t>(0x80040158),  // 344
  SalesParameterNotFound = static_cast<int32_t>(0x80040159),  // 345
  UnexpectedGetParameterValue = static_cast<int32_t>(0x8004015A),  // 346
  KIROIDNotFound = static_cast<int32_t>(0x8004015B),  // 347
  InvalidCustomer = static_cast<int32_t>(0x8004015C),  // 348
  MissingQuotationID = static_cast<int32_t>(0x8004015D),  // 349
  ProductDisabled = static_cast<int32_t>(0x8004015E),  // 350
  ProductExpired = static_cast<int32_t>(0x8004015F),  // 351
  InvalidConfiguration = static_cast<int32_t>(0x80040160),  // 352
};

}  // namespace merxa
