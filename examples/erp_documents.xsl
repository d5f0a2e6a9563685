<?xml version="1.0" encoding="UTF-8"?>
<!--
  The ERP documents of a sales order as pages: the acknowledgement (SO-ACK), the shipping
  notice (ADV-SHP-NC) and the invoice (INVOICE), as Merxalink.Lookups writes them. Captions
  come from each document's Labels block, in the customer's locale; values arrive as the ERP
  reports them. The command "merxa render erp INSTANCE ORDER ACK|ASN|INV" applies it when its
  option xslt names this file.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="UTF-8" indent="yes" doctype-system="about:legacy-compat"/>

  <xsl:template name="page">
    <xsl:param name="title"/>
    <xsl:param name="body"/>
    <html>
      <head>
        <meta name="viewport" content="width=device-width, initial-scale=1"/>
        <title><xsl:value-of select="$title"/></title>
        <style>
          body { font-family: "DejaVu Sans", Arial, sans-serif; color: #222; margin: 2em auto; max-width: 84em; padding: 0 1em; }
          h1 { color: #1d4e89; }
          dl.facts { display: grid; grid-template-columns: max-content auto; gap: 0.3em 1.5em; }
          dl.facts dt { font-weight: bold; }
          dl.facts dd { margin: 0; }
          .address { border: 1px solid #ccd; border-radius: 4px; padding: 0.8em 1.2em; display: inline-block; min-width: 16em; margin-right: 2em; vertical-align: top; }
          .address h3 { margin: 0 0 0.4em 0; font-size: 1em; color: #1d4e89; }
          table { border-collapse: collapse; width: 100%; }
          th, td { padding: 0.4em 0.5em; border-bottom: 1px solid #dde; text-align: left; vertical-align: top; }
          th { background: #eef2f8; }
          td.amount, th.amount { text-align: right; white-space: nowrap; }
          .remark { color: #555; font-style: italic; }
        </style>
      </head>
      <body><xsl:copy-of select="$body"/></body>
    </html>
  </xsl:template>

  <!-- One fact: the caption and the value, only when the document holds the value. -->
  <xsl:template name="fact">
    <xsl:param name="label"/>
    <xsl:param name="value"/>
    <xsl:if test="$value">
      <dt><xsl:value-of select="$label"/></dt>
      <dd><xsl:value-of select="$value"/></dd>
    </xsl:if>
  </xsl:template>

  <!-- An address of name lines A to E, postal code, country and telephone, by prefix. -->
  <xsl:template name="address">
    <xsl:param name="caption"/>
    <xsl:param name="prefix"/>
    <xsl:param name="from" select="."/>
    <div class="address">
      <h3><xsl:value-of select="$caption"/></h3>
      <xsl:for-each select="$from/*[starts-with(local-name(), $prefix) and local-name() != concat($prefix, 'PSTC')
                                     and local-name() != concat($prefix, 'CCTY') and local-name() != concat($prefix, 'CSTE')
                                     and local-name() != concat($prefix, 'TELP')]">
        <div><xsl:value-of select="."/></div>
      </xsl:for-each>
      <div>
        <xsl:value-of select="$from/*[local-name() = concat($prefix, 'PSTC')]"/>
        <xsl:text> </xsl:text>
        <xsl:value-of select="$from/*[local-name() = concat($prefix, 'CCTY')]"/>
      </div>
      <xsl:for-each select="$from/*[local-name() = concat($prefix, 'TELP')]"><div><xsl:value-of select="."/></div></xsl:for-each>
    </div>
  </xsl:template>

  <xsl:template match="/SO-ACK">
    <xsl:variable name="h" select="Labels/ACKNOWLEDGEMENT/ACK/ACK-HEADER"/>
    <xsl:variable name="l" select="Labels/ACKNOWLEDGEMENT/ACK/ACK-LINE"/>
    <xsl:call-template name="page">
      <xsl:with-param name="title" select="concat(Labels/ACKNOWLEDGEMENT/SO-ACK, ' ', SLS-ORDER)"/>
      <xsl:with-param name="body">
        <h1 id="document" class="SO-ACK"><xsl:value-of select="Labels/ACKNOWLEDGEMENT/SO-ACK"/></h1>
        <section id="header">
          <h2><xsl:value-of select="$h/ACK-HEADER-LABEL"/></h2>
          <dl class="facts">
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/SLS-ORDER"/><xsl:with-param name="value" select="SLS-ORDER"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/BUS-PART"/><xsl:with-param name="value" select="BUS-PART"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/CUST-REF"/><xsl:with-param name="value" select="CUST-REF"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/ORD-DATE"/><xsl:with-param name="value" select="ORDER-DATE"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/CONTACT"/><xsl:with-param name="value" select="CONTACT"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/CURRENCY"/><xsl:with-param name="value" select="ORDER-CURR"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/ORD-DISC"/><xsl:with-param name="value" select="ORDER-DISC"/></xsl:call-template>
          </dl>
        </section>
        <section id="addresses">
          <xsl:call-template name="address"><xsl:with-param name="caption" select="$h/BIL-ADD"/><xsl:with-param name="prefix" select="'BILL-'"/></xsl:call-template>
          <xsl:call-template name="address"><xsl:with-param name="caption" select="$h/SHIP-ADD"/><xsl:with-param name="prefix" select="'SHIP-'"/></xsl:call-template>
        </section>
        <xsl:for-each select="HTX"><p class="remark"><xsl:value-of select="."/></p></xsl:for-each>
        <section id="lines">
          <h2><xsl:value-of select="$l/ACK-LINE-LABEL"/></h2>
          <table>
            <tr>
              <th><xsl:value-of select="$l/ACK-NR"/></th><th><xsl:value-of select="$l/PRODUCT"/></th><th><xsl:value-of select="$l/DESC"/></th>
              <th class="amount"><xsl:value-of select="$l/QTY"/></th><th><xsl:value-of select="$l/UNIT"/></th><th><xsl:value-of select="$l/REQ-DATE"/></th>
              <th class="amount"><xsl:value-of select="$l/PRICE"/></th><th class="amount"><xsl:value-of select="$l/DISC-PERC"/></th>
              <th class="amount"><xsl:value-of select="$l/AMOUNT"/></th>
            </tr>
            <xsl:for-each select="LINE">
              <tr class="line">
                <td><xsl:value-of select="POS"/></td><td><xsl:value-of select="PRODUCT"/></td><td><xsl:value-of select="PROD-DESC"/></td>
                <td class="amount"><xsl:value-of select="REQ-QTY"/></td><td><xsl:value-of select="SLS-UNIT"/></td><td><xsl:value-of select="REQ-DATE"/></td>
                <td class="amount"><xsl:value-of select="PRICE"/></td><td class="amount"><xsl:value-of select="DISC-PERC"/></td>
                <td class="amount"><xsl:value-of select="LINE-AMNT"/></td>
              </tr>
            </xsl:for-each>
          </table>
        </section>
      </xsl:with-param>
    </xsl:call-template>
  </xsl:template>

  <xsl:template match="/ADV-SHP-NC">
    <xsl:variable name="h" select="Labels/ADV-SHP-NC/ASN/ASN-HEADER"/>
    <xsl:variable name="l" select="Labels/ADV-SHP-NC/ASN/ASN-LINE"/>
    <xsl:call-template name="page">
      <xsl:with-param name="title" select="Labels/ADV-SHP-NC/ASNSHIPDOC"/>
      <xsl:with-param name="body">
        <h1 id="document" class="ADV-SHP-NC"><xsl:value-of select="Labels/ADV-SHP-NC/ASNSHIPDOC"/></h1>
        <xsl:for-each select="ASN">
          <section class="shipment">
            <h2><xsl:value-of select="concat($h/ASN-HEADER-LABEL, ' ', ASN-NO)"/></h2>
            <dl class="facts">
              <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/ASN-NO"/><xsl:with-param name="value" select="ASN-NO"/></xsl:call-template>
              <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/BUS-PART-C"/><xsl:with-param name="value" select="BUS-PART-C"/></xsl:call-template>
              <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/CUST-PO"/><xsl:with-param name="value" select="CUST-PO"/></xsl:call-template>
              <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/CUST-REF"/><xsl:with-param name="value" select="CUST-REF"/></xsl:call-template>
              <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/CONTACT"/><xsl:with-param name="value" select="CONTACT"/></xsl:call-template>
              <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/REP-NAME"/><xsl:with-param name="value" select="REP-NAME"/></xsl:call-template>
            </dl>
            <div class="address">
              <h3><xsl:value-of select="$h/ADDRESS"/></h3>
              <xsl:for-each select="NAMA | NAMB | NAMC | NAMD | NAME"><div><xsl:value-of select="."/></div></xsl:for-each>
              <div><xsl:value-of select="concat(ZIP-CODE, ' ', COUNTRY)"/></div>
            </div>
            <xsl:for-each select="HTX"><p class="remark"><xsl:value-of select="."/></p></xsl:for-each>
            <h3><xsl:value-of select="$l/ASN-LINE-LABEL"/></h3>
            <table>
              <tr>
                <th><xsl:value-of select="$l/SO-PONO"/></th><th><xsl:value-of select="$l/PRODUCT"/></th><th><xsl:value-of select="$l/PROD-DESC"/></th>
                <th class="amount"><xsl:value-of select="$l/DEL-QTY"/></th><th class="amount"><xsl:value-of select="$l/ORDER-QTY"/></th>
                <th><xsl:value-of select="$l/CARRIER"/></th>
              </tr>
              <xsl:for-each select="LIN">
                <tr class="line">
                  <td><xsl:value-of select="SO-PONO"/></td><td><xsl:value-of select="PRODUCT"/></td><td><xsl:value-of select="PROD-DESC"/></td>
                  <td class="amount"><xsl:value-of select="concat(DEL-QTY, ' ', UNIT)"/></td><td class="amount"><xsl:value-of select="ORDER-QTY"/></td>
                  <td><xsl:value-of select="CARRIER"/></td>
                </tr>
              </xsl:for-each>
            </table>
          </section>
        </xsl:for-each>
      </xsl:with-param>
    </xsl:call-template>
  </xsl:template>

  <xsl:template match="/INVOICE">
    <xsl:variable name="h" select="Labels/INVOICE/INV/INV-HEADER"/>
    <xsl:variable name="l" select="Labels/INVOICE/INV/INV-LINE"/>
    <xsl:call-template name="page">
      <xsl:with-param name="title" select="concat(Labels/INVOICE/INVDOC, ' ', INVOICENO)"/>
      <xsl:with-param name="body">
        <h1 id="document" class="INVOICE"><xsl:value-of select="Labels/INVOICE/INVDOC"/></h1>
        <section id="header">
          <h2><xsl:value-of select="$h/INV-HEADER-LABEL"/></h2>
          <dl class="facts">
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/INV-NR"/><xsl:with-param name="value" select="INVOICENO"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/ORDER-NR"/><xsl:with-param name="value" select="SLS-ORDER"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/DATE"/><xsl:with-param name="value" select="ORDER-DATE"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/BUS-PART"/><xsl:with-param name="value" select="BUS-PART-C"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/CUST-REF"/><xsl:with-param name="value" select="CUST-REF"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/SALES-REP"/><xsl:with-param name="value" select="SREP-NAME"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/CONTACT"/><xsl:with-param name="value" select="CONTACT"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/CURRENCY"/><xsl:with-param name="value" select="CURRENCY"/></xsl:call-template>
          </dl>
        </section>
        <section id="addresses">
          <xsl:call-template name="address"><xsl:with-param name="caption" select="$h/BILL-ADD"/><xsl:with-param name="prefix" select="'BILL-'"/></xsl:call-template>
        </section>
        <xsl:for-each select="HTX"><p class="remark"><xsl:value-of select="."/></p></xsl:for-each>
        <section id="lines">
          <table>
            <tr>
              <th><xsl:value-of select="$l/POSITION"/></th><th><xsl:value-of select="$l/CODE"/></th><th><xsl:value-of select="$l/CODE-DESC"/></th>
              <th class="amount"><xsl:value-of select="$l/REQ-QTY"/></th><th class="amount"><xsl:value-of select="$l/DEL-QTY"/></th>
              <th><xsl:value-of select="$l/SLS-UNIT"/></th><th class="amount"><xsl:value-of select="$l/PRICE"/></th>
              <th><xsl:value-of select="$l/DEL-DATE"/></th><th class="amount"><xsl:value-of select="$l/LDISC-AMNT"/></th>
              <th class="amount"><xsl:value-of select="$h/TAX-CODE"/></th><th class="amount"></th>
            </tr>
            <xsl:for-each select="LINE">
              <tr class="line">
                <td><xsl:value-of select="POSITION"/></td><td><xsl:value-of select="PRODUCT"/></td><td><xsl:value-of select="PROD-DESC"/></td>
                <td class="amount"><xsl:value-of select="REQ-QTY"/></td><td class="amount"><xsl:value-of select="DEL-QTY"/></td>
                <td><xsl:value-of select="SLS-UNIT"/></td><td class="amount"><xsl:value-of select="PRICE"/></td>
                <td><xsl:value-of select="DEL-DATE"/></td><td class="amount"><xsl:value-of select="LDISC-AMNT"/></td>
                <td class="amount"><xsl:value-of select="TAX-CODE"/></td><td class="amount"><xsl:value-of select="SLSLIN-AMT"/></td>
              </tr>
            </xsl:for-each>
          </table>
        </section>
        <section id="totals">
          <dl class="facts">
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/DISCOUNT"/><xsl:with-param name="value" select="DISC-AMNT"/></xsl:call-template>
            <xsl:call-template name="fact"><xsl:with-param name="label" select="$h/TAX-AMNT"/><xsl:with-param name="value" select="TAX-AMNT"/></xsl:call-template>
            <xsl:if test="INVOICE-AMNT">
              <dt class="total"><xsl:value-of select="Labels/INVOICE/INVDOC"/></dt>
              <dd class="total"><xsl:value-of select="concat(INVOICE-AMNT, ' ', CURRENCY)"/></dd>
            </xsl:if>
          </dl>
        </section>
      </xsl:with-param>
    </xsl:call-template>
  </xsl:template>
</xsl:stylesheet>
