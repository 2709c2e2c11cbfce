<?xml version="1.0" encoding="UTF-8"?>
<tileset version="1.8" name="fuzz" tilewidth="8" tileheight="8" tilecount="4" columns="2">
 <tileoffset x="-2" y="3"/>
 <image source="sheet.png" trans="0000ff" width="16" height="16"/>
 <tile id="0">
  <properties>
   <property name="solid" type="bool" value="true"/>
   <property name="slope" type="int" value="3"/>
   <property name="user7" type="int" value="200"/>
  </properties>
 </tile>
 <tile id="1">
  <animation>
   <frame tileid="1" duration="100"/>
   <frame tileid="2" duration="75"/>
   <frame tileid="3" duration="100"/>
   <frame tileid="2" duration="75"/>
  </animation>
 </tile>
 <tile id="3">
  <properties>
   <property name="see_through" type="bool" value="false"/>
   <property name="door" value="front"/>
  </properties>
  <animation>
   <frame tileid="0" duration="50"/>
   <frame tileid="3" duration="150"/>
  </animation>
 </tile>
</tileset>
