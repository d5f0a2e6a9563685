<?xml version="1.0" encoding="UTF-8"?>
<!--
  The order form of a basket: the page a shop shows before the customer submits the basket,
  or, with the parameter view = 'copy', the copy of a submitted order. It renders the XML of
  Merxa.Basket.ConvertToXML: captions come from the document (the label attributes and the
  *Label elements), amounts and dates arrive formatted for the customer's locale. The
  command "merxa render basket ID" applies it when its option xslt names this file.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="UTF-8" indent="yes" doctype-system="about:legacy-compat"/>

  <xsl:param name="view" select="'order'"/>

  <xsl:variable name="h" select="/Order/OrderHeader"/>
  <!-- The symbol the web layer stored with the document, else the currency's code. -->
  <xsl:variable name="currency">
    <xsl:choose>
      <xsl:when test="normalize-space($h/CURRENCYSYMBOL) != ''"><xsl:value-of select="$h/CURRENCYSYMBOL"/></xsl:when>
      <xsl:otherwise><xsl:value-of select="$h/CURRENCYCODE"/></xsl:otherwise>
    </xsl:choose>
  </xsl:variable>

  <xsl:template match="/Order">
    <html>
      <head>
        <meta name="viewport" content="width=device-width, initial-scale=1"/>
        <title><xsl:value-of select="$h/@WebOrderLabel"/></title>
        <style>
          body { font-family: "DejaVu Sans", Arial, sans-serif; color: #222; margin: 2em auto; max-width: 84em; padding: 0 1em; }
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
          table.totals { width: auto; margin-left: auto; }
          table.totals tr.total td { font-weight: bold; border-top: 2px solid #1d4e89; }
          .remark { color: #555; font-style: italic; }
        </style>
      </head>
      <body>
        <header>
          <xsl:choose>
            <xsl:when test="$view = 'copy'">
              <h1 id="title"><xsl:value-of select="CopyOrderTitle"/></h1>
              <p class="subtitle"><xsl:value-of select="CopyOrderSubTitle"/></p>
            </xsl:when>
            <xsl:otherwise>
              <h1 id="title"><xsl:value-of select="WebOrderTitle"/></h1>
              <p class="subtitle"><xsl:value-of select="WebOrderSubTitle"/></p>
            </xsl:otherwise>
          </xsl:choose>
        </header>

        <section id="order-header">
          <h2>
            <xsl:choose>
              <xsl:when test="$view = 'copy'"><xsl:value-of select="$h/@CopyOrderLabel"/></xsl:when>
              <xsl:otherwise><xsl:value-of select="$h/@WebOrderLabel"/></xsl:otherwise>
            </xsl:choose>
          </h2>
          <dl class="facts">
            <xsl:apply-templates mode="fact" select="$h/CUSTOMERNAME"/>
            <xsl:apply-templates mode="fact" select="$h/CUSTOMERREFERENCE"/>
            <xsl:apply-templates mode="fact" select="$h/ORDERDATE"/>
            <xsl:apply-templates mode="fact" select="$h/CUSTOMERPONUMBER"/>
            <xsl:apply-templates mode="fact" select="$h/CURRENCYCODE"/>
            <xsl:apply-templates mode="fact" select="$h/CARRIERCODE"/>
            <xsl:apply-templates mode="fact" select="$h/COMMENTS"/>
          </dl>
        </section>

        <section id="addresses" class="addresses">
          <xsl:apply-templates select="$h/BILLINGADDRESSID" mode="address">
            <xsl:with-param name="kind" select="'BILLING'"/>
          </xsl:apply-templates>
          <xsl:apply-templates select="$h/SHIPPINGADDRESSID" mode="address">
            <xsl:with-param name="kind" select="'SHIPPING'"/>
          </xsl:apply-templates>
        </section>

        <section id="lines">
          <h2><xsl:value-of select="ProductsLabel"/></h2>
          <table>
            <thead>
              <tr>
                <th><xsl:value-of select="ItemLabel"/></th>
                <th><xsl:value-of select="DescriptionLabel"/></th>
                <th class="amount"><xsl:value-of select="QtyLabel"/></th>
                <th><xsl:value-of select="UnitLabel"/></th>
                <th><xsl:value-of select="ReqDateLabel"/></th>
                <th class="amount"><xsl:value-of select="UnitPriceLabel"/></th>
                <th class="amount"><xsl:value-of select="DiscountLabel"/></th>
                <th class="amount"><xsl:value-of select="NetAmountLabel"/></th>
                <th><xsl:value-of select="TaxCodeLabel"/></th>
                <th class="amount"><xsl:value-of select="FreightCostsLabel"/></th>
                <th><xsl:value-of select="AddressLabel"/></th>
              </tr>
            </thead>
            <tbody>
              <xsl:apply-templates select="OrderLines/OrderLine"/>
            </tbody>
          </table>
        </section>

        <section id="totals">
          <table class="totals">
            <xsl:apply-templates mode="total" select="$h/TOTALNETAMOUNT"/>
            <xsl:apply-templates mode="total" select="$h/DISCOUNTTOTAL"/>
            <xsl:apply-templates mode="total" select="$h/SUBTOTAL"/>
            <xsl:apply-templates mode="total" select="$h/FREIGHTTOTAL"/>
            <xsl:apply-templates mode="total" select="$h/FREIGHTTAXTOTAL"/>
            <xsl:apply-templates mode="tax" select="$h/TAXSPECIFIC/TAX"/>
            <tr class="total">
              <td><xsl:value-of select="$h/TOTAL/@label"/></td>
              <td class="amount"><xsl:value-of select="$currency"/>&#160;<xsl:value-of select="$h/TOTAL"/></td>
            </tr>
          </table>
        </section>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="*" mode="fact">
    <xsl:if test="normalize-space(.) != ''">
      <dt><xsl:value-of select="@label"/></dt>
      <dd><xsl:value-of select="."/></dd>
    </xsl:if>
  </xsl:template>

  <xsl:template match="*" mode="address">
    <xsl:param name="kind"/>
    <xsl:variable name="a" select="."/>
    <xsl:if test="*[local-name() = concat($kind, 'NAME1')]">
      <div class="address" id="{translate($kind, 'BILNGSHP', 'bilngshp')}-address">
        <h3><xsl:value-of select="*[local-name() = concat($kind, 'SHORTDESCRIPTION')]/@label"/></h3>
        <xsl:for-each select="*[local-name() = concat($kind, 'NAME1') or local-name() = concat($kind, 'NAME2') or
                                local-name() = concat($kind, 'STREET1') or local-name() = concat($kind, 'STREET2')]">
          <xsl:if test=". != ''"><div><xsl:value-of select="."/></div></xsl:if>
        </xsl:for-each>
        <div>
          <xsl:value-of select="*[local-name() = concat($kind, 'ZIPCODE')]"/>&#160;<xsl:value-of
              select="*[local-name() = concat($kind, 'CITY1')]"/>
        </div>
        <div><xsl:value-of select="*[local-name() = concat($kind, 'COUNTRYNAME')]"/></div>
      </div>
    </xsl:if>
  </xsl:template>

  <xsl:template match="OrderLine">
    <tr class="line">
      <td>
        <xsl:choose>
          <xsl:when test="PARTNUMBER != ''"><xsl:value-of select="PARTNUMBER"/></xsl:when>
          <xsl:otherwise><xsl:value-of select="SKU"/></xsl:otherwise>
        </xsl:choose>
      </td>
      <td class="remark"><xsl:value-of select="LINETEXT"/></td>
      <td class="amount"><xsl:value-of select="QUANTITY"/></td>
      <td><xsl:value-of select="PRODUCTUNITCODE"/></td>
      <td><xsl:value-of select="REQUESTDATE"/></td>
      <td class="amount"><xsl:value-of select="PRODUCTPRICE"/></td>
      <td class="amount"><xsl:value-of select="LINEDISCOUNTAMOUNT[1]"/></td>
      <td class="amount"><xsl:value-of select="LINEAMOUNT"/></td>
      <td><xsl:value-of select="TAXCODE"/></td>
      <td class="amount"><xsl:value-of select="FREIGHTAMOUNT"/></td>
      <td>
        <xsl:value-of select="SHIPPINGNAME1"/>
        <xsl:if test="SHIPPINGCITY1 != ''">, <xsl:value-of select="SHIPPINGCITY1"/></xsl:if>
      </td>
    </tr>
  </xsl:template>

  <xsl:template match="*" mode="total">
    <xsl:if test="normalize-space(.) != ''">
      <tr>
        <td><xsl:value-of select="@label"/></td>
        <td class="amount"><xsl:value-of select="."/></td>
      </tr>
    </xsl:if>
  </xsl:template>

  <xsl:template match="TAX" mode="tax">
    <tr class="tax">
      <td>
        <xsl:value-of select="TAXCODEDESCRIPTION"/>
        <xsl:if test="TAXPERCENTAGE"> (<xsl:value-of select="TAXPERCENTAGE"/>&#160;%)</xsl:if>
      </td>
      <td class="amount"><xsl:value-of select="TAXAMOUNT"/></td>
    </tr>
  </xsl:template>
</xsl:stylesheet>
