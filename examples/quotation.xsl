<?xml version="1.0" encoding="UTF-8"?>
<!--
  The printable quotation: the page a customer prints or receives by mail. It renders the XML
  of Merxa.Quotation.ConvertToXML: captions come from the document's Labels element, amounts
  and dates arrive formatted for the customer's locale, the logo and the folder of images from
  its Parameters. Configured lines show their options when the installation prints
  configurations. The command "merxa render quotation ID" applies it when its option xslt
  names this file.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="UTF-8" indent="yes" doctype-system="about:legacy-compat"/>

  <xsl:variable name="h" select="/Quotation/QuotationHeader"/>
  <xsl:variable name="p" select="/Quotation/Parameters"/>
  <xsl:variable name="hl" select="/Quotation/Labels/QuotationHeader"/>
  <xsl:variable name="ll" select="/Quotation/Labels/QuotationLine"/>
  <xsl:variable name="cl" select="/Quotation/Labels/Configurations"/>
  <!-- The symbol stored with the quotation, else the currency's code. -->
  <xsl:variable name="currency">
    <xsl:choose>
      <xsl:when test="normalize-space($h/CURRENCYSYMBOL) != ''"><xsl:value-of select="$h/CURRENCYSYMBOL"/></xsl:when>
      <xsl:otherwise><xsl:value-of select="$h/CURRENCYCODE"/></xsl:otherwise>
    </xsl:choose>
  </xsl:variable>
  <xsl:variable name="printConfigurations" select="$p/PrintConfigurations = 'True' or $p/PrintConfigurations = '1'"/>

  <xsl:template match="/Quotation">
    <html>
      <head>
        <meta name="viewport" content="width=device-width, initial-scale=1"/>
        <title><xsl:value-of select="QuotationTitle"/>&#160;<xsl:value-of select="$h/QUOTATIONID"/></title>
        <style>
          body { font-family: "DejaVu Sans", Arial, sans-serif; color: #222; margin: 2em auto; max-width: 84em; padding: 0 1em; }
          header { display: flex; justify-content: space-between; align-items: flex-start; }
          h1 { margin-bottom: 0.2em; color: #1d4e89; }
          p.subtitle { margin-top: 0; color: #555; }
          section { margin: 1.5em 0; }
          dl.facts { display: grid; grid-template-columns: max-content auto; gap: 0.3em 1.5em; }
          dl.facts dt { font-weight: bold; }
          dl.facts dd { margin: 0; }
          .addresses { display: flex; gap: 2em; }
          .address { border: 1px solid #ccd; border-radius: 4px; padding: 0.8em 1.2em; min-width: 16em; }
          .address h3 { margin: 0 0 0.4em 0; font-size: 1em; color: #1d4e89; }
          table { border-collapse: collapse; width: 100%; }
          th, td { padding: 0.4em 0.5em; border-bottom: 1px solid #dde; text-align: left; vertical-align: top; }
          #lines table { font-size: 0.9em; }
          th { background: #eef2f8; }
          td.amount, th.amount { text-align: right; white-space: nowrap; }
          tr.configuration td { border-bottom: 1px solid #dde; background: #fafbfd; }
          tr.configuration table { width: auto; font-size: 0.95em; }
          tr.configuration th, tr.configuration td td { border: none; padding: 0.1em 1em 0.1em 0; background: none; }
          table.totals { width: auto; margin-left: auto; }
          table.totals tr.total td { font-weight: bold; border-top: 2px solid #1d4e89; }
          .remark { color: #555; font-style: italic; }
          footer { color: #555; font-size: 0.85em; }
        </style>
      </head>
      <body>
        <header>
          <div>
            <h1 id="title"><xsl:value-of select="QuotationTitle"/>&#160;<xsl:value-of select="$h/QUOTATIONID"/></h1>
            <p class="subtitle">
              <xsl:value-of select="$hl/PricesValidtillLabel"/>&#160;<xsl:value-of select="$h/EXPIRYDATE"/>
            </p>
          </div>
          <xsl:if test="normalize-space($p/Logo) != ''">
            <img id="logo" alt="" src="{concat($p/ImageDirectory, $p/Logo)}"/>
          </xsl:if>
        </header>

        <section id="quotation-header">
          <dl class="facts">
            <xsl:call-template name="fact">
              <xsl:with-param name="caption" select="$hl/CustomerReferenceLabel"/>
              <xsl:with-param name="value" select="$h/CUSTOMERREFERENCE"/>
            </xsl:call-template>
            <xsl:call-template name="fact">
              <xsl:with-param name="caption" select="$hl/CreationDateLabel"/>
              <xsl:with-param name="value" select="$h/CREATIONDATE"/>
            </xsl:call-template>
            <xsl:call-template name="fact">
              <xsl:with-param name="caption" select="$hl/ExpirationDateLabel"/>
              <xsl:with-param name="value" select="$h/EXPIRYDATE"/>
            </xsl:call-template>
          </dl>
        </section>

        <!-- The quotation names its customer and the numbers of its billing and shipping
             addresses; the address texts themselves live with the customer's master data. -->
        <section id="addresses" class="addresses">
          <div class="address" id="customer">
            <h3><xsl:value-of select="$hl/CustomerInformationLabel"/></h3>
            <div class="name"><xsl:value-of select="$h/CUSTOMERNAME"/></div>
            <xsl:if test="normalize-space($h/CUSTOMERCODE) != ''">
              <div><xsl:value-of select="$hl/CustomerLabel"/>&#160;<xsl:value-of select="$h/CUSTOMERCODE"/></div>
            </xsl:if>
            <xsl:if test="normalize-space($h/BILLINGADDRESSID) != ''">
              <div class="billing-address">#<xsl:value-of select="$h/BILLINGADDRESSID"/></div>
            </xsl:if>
            <xsl:if test="normalize-space($h/SHIPPINGADDRESSID) != '' and $h/SHIPPINGADDRESSID != $h/BILLINGADDRESSID">
              <div class="shipping-address">#<xsl:value-of select="$h/SHIPPINGADDRESSID"/></div>
            </xsl:if>
          </div>
        </section>

        <section id="lines">
          <h2><xsl:value-of select="$ll/ProductsLabel"/></h2>
          <table>
            <thead>
              <tr>
                <th><xsl:value-of select="$ll/ItemLabel"/></th>
                <th class="amount"><xsl:value-of select="$ll/QtyLabel"/></th>
                <th><xsl:value-of select="$ll/UnitLabel"/></th>
                <th><xsl:value-of select="$ll/ReqDateLabel"/></th>
                <th class="amount"><xsl:value-of select="$ll/UnitPriceLabel"/></th>
                <th class="amount"><xsl:value-of select="$ll/DiscountLabel"/></th>
                <th class="amount"><xsl:value-of select="$ll/NetAmountLabel"/></th>
              </tr>
            </thead>
            <tbody>
              <xsl:apply-templates select="QuotationLines/QuotationLine"/>
            </tbody>
          </table>
        </section>

        <section id="totals">
          <table class="totals">
            <xsl:call-template name="total">
              <xsl:with-param name="caption" select="$hl/TotalNetAmountLabel"/>
              <xsl:with-param name="value" select="$h/TOTALNETAMOUNT"/>
            </xsl:call-template>
            <xsl:if test="normalize-space($h/DISCOUNTTOTAL) != ''">
              <tr class="discount">
                <td>
                  <xsl:value-of select="$hl/DiscountLabel"/>
                  <xsl:if test="normalize-space($h/DISCOUNTPERC) != ''"> (<xsl:value-of select="$h/DISCOUNTPERC"/>&#160;%)</xsl:if>
                </td>
                <td class="amount"><xsl:value-of select="$h/DISCOUNTTOTAL"/></td>
              </tr>
            </xsl:if>
            <tr class="total">
              <td><xsl:value-of select="$hl/SubtotalLabel"/></td>
              <td class="amount">
                <xsl:value-of select="$currency"/>&#160;<xsl:choose>
                  <xsl:when test="normalize-space($h/SUBTOTAL) != ''"><xsl:value-of select="$h/SUBTOTAL"/></xsl:when>
                  <xsl:otherwise><xsl:value-of select="$h/TOTALNETAMOUNT"/></xsl:otherwise>
                </xsl:choose>
              </td>
            </tr>
          </table>
        </section>

        <xsl:if test="normalize-space($h/COMMENTS) != ''">
          <section id="remarks">
            <h2><xsl:value-of select="$hl/QuotationRemarksLabel"/></h2>
            <p class="remark"><xsl:value-of select="$h/COMMENTS"/></p>
          </section>
        </xsl:if>

        <footer>
          <p id="printed"><xsl:value-of select="$hl/PrintedOnLabel"/>&#160;<xsl:value-of select="$h/CurrentDate"/></p>
        </footer>
      </body>
    </html>
  </xsl:template>

  <xsl:template name="fact">
    <xsl:param name="caption"/>
    <xsl:param name="value"/>
    <xsl:if test="normalize-space($value) != ''">
      <dt><xsl:value-of select="$caption"/></dt>
      <dd><xsl:value-of select="$value"/></dd>
    </xsl:if>
  </xsl:template>

  <xsl:template name="total">
    <xsl:param name="caption"/>
    <xsl:param name="value"/>
    <xsl:if test="normalize-space($value) != ''">
      <tr>
        <td><xsl:value-of select="$caption"/></td>
        <td class="amount"><xsl:value-of select="$value"/></td>
      </tr>
    </xsl:if>
  </xsl:template>

  <xsl:template match="QuotationLine">
    <xsl:variable name="configurable" select="PRODUCTCONFIGURABLE/@value = 'True'"/>
    <tr class="line">
      <td>
        <div class="item"><xsl:value-of select="PARTNUMBER"/></div>
        <div><xsl:value-of select="PARTDESCRIPTION"/></div>
        <xsl:if test="normalize-space(LINETEXT) != ''"><div class="remark"><xsl:value-of select="LINETEXT"/></div></xsl:if>
        <xsl:if test="$configurable and PRODUCTCONFIGCOMPLETE != 'True'">
          <div class="remark partial"><xsl:value-of select="$cl/PartiallyConfigured"/></div>
        </xsl:if>
      </td>
      <td class="amount"><xsl:value-of select="QUANTITY"/></td>
      <td><xsl:value-of select="PRODUCTUNITCODE"/></td>
      <td><xsl:value-of select="REQUESTDATE"/></td>
      <td class="amount"><xsl:value-of select="PRODUCTPRICE"/></td>
      <td class="amount"><xsl:value-of select="DISCOUNTAMOUNT"/></td>
      <td class="amount"><xsl:value-of select="LINEAMOUNT"/></td>
    </tr>
    <xsl:if test="$printConfigurations and PRODUCTCONFIGURABLE/CONFIGURATIONS/VOP">
      <tr class="configuration">
        <td colspan="7">
          <div class="remark"><xsl:value-of select="$cl/../QuotationLine/ConfiguredItemLabel"/></div>
          <table>
            <thead>
              <tr>
                <th><xsl:value-of select="$cl/FeatureDescription"/></th>
                <th><xsl:value-of select="$cl/OptionValue"/></th>
              </tr>
            </thead>
            <tbody>
              <xsl:for-each select="PRODUCTCONFIGURABLE/CONFIGURATIONS/VOP">
                <tr class="option">
                  <td><xsl:value-of select="FEATUREDESCRIPTION"/></td>
                  <td><xsl:value-of select="OPTIONVALUE"/></td>
                </tr>
              </xsl:for-each>
            </tbody>
          </table>
        </td>
      </tr>
    </xsl:if>
  </xsl:template>
</xsl:stylesheet>
